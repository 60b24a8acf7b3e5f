// Ordering and text of statistics tables.
#include "stats/StatsTable.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <numeric>

#include "decode/TextAppend.h"

namespace stats {

std::vector<std::size_t> StatsTable::SortedBy(std::size_t column, bool descending) const {
    std::vector<std::size_t> order(RowCount());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        if (IsOther(a) != IsOther(b)) return IsOther(b);
        return descending ? Less(b, a, column) : Less(a, b, column);
    });
    return order;
}

std::string StatsTable::Tsv(std::span<const std::size_t> order) const {
    std::string out;
    const auto& columns = Columns();
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (c > 0) out.push_back('\t');
        out += columns[c].name;
    }
    out.push_back('\n');
    for (const std::size_t row : order) {
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (c > 0) out.push_back('\t');
            out += Text(row, c);
        }
        out.push_back('\n');
    }
    return out;
}

std::string CountText(std::uint64_t n) {
    std::string text;
    decode::AppendDec(text, n);
    return text;
}

std::string SecondsText(std::int64_t nanoseconds) {
    const std::uint64_t magnitude =
        nanoseconds < 0 ? 0 - static_cast<std::uint64_t>(nanoseconds) : static_cast<std::uint64_t>(nanoseconds);
    // Rounded to the microsecond.
    const std::uint64_t micros = (magnitude + 500) / 1000;
    char text[40];
    std::snprintf(text, sizeof text, "%s%" PRIu64 ".%06" PRIu64, nanoseconds < 0 ? "-" : "", micros / 1'000'000,
                  micros % 1'000'000);
    return text;
}

std::string ShareText(std::uint64_t part, std::uint64_t whole) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f",
                  whole == 0 ? 0.0 : 100.0 * static_cast<double>(part) / static_cast<double>(whole));
    return text;
}

}  // namespace stats
