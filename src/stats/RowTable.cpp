// Field texts and order.
#include "stats/RowTable.h"

#include <algorithm>
#include <numeric>
#include <type_traits>

namespace stats {

std::string FieldText(const Field& f) {
    return std::visit(
        [](const auto& v) -> std::string {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>) {
                return {};
            } else if constexpr (std::is_same_v<T, std::uint64_t>) {
                return CountText(v);
            } else if constexpr (std::is_same_v<T, Seconds>) {
                return SecondsText(v.nanoseconds);
            } else if constexpr (std::is_same_v<T, Share>) {
                return ShareText(v.part, v.whole);
            } else if constexpr (std::is_same_v<T, Address>) {
                return AddressText(v);
            } else {
                return std::string(v);
            }
        },
        f);
}

bool FieldLess(const Field& a, const Field& b) {
    if (a.index() != b.index()) return a.index() < b.index();
    return std::visit(
        [&b](const auto& v) -> bool {
            using T = std::decay_t<decltype(v)>;
            const T& w = std::get<T>(b);
            if constexpr (std::is_same_v<T, std::monostate>) {
                return false;
            } else if constexpr (std::is_same_v<T, Seconds>) {
                return v.nanoseconds < w.nanoseconds;
            } else if constexpr (std::is_same_v<T, Share>) {
                const auto ratio = [](const Share& s) {
                    return s.whole == 0 ? 0.0 : static_cast<double>(s.part) / static_cast<double>(s.whole);
                };
                return ratio(v) < ratio(w);
            } else {
                return v < w;
            }
        },
        a);
}

std::vector<std::size_t> OrderByKeys(const std::vector<Field>& keys, const std::vector<bool>& other, bool descending) {
    std::vector<std::size_t> order(keys.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        if (other[a] != other[b]) return other[b];
        return descending ? FieldLess(keys[b], keys[a]) : FieldLess(keys[a], keys[b]);
    });
    return order;
}

}  // namespace stats
