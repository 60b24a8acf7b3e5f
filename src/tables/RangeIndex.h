// First-match index over all 65536 Ethernet type values: for each value, the first list
// position whose range holds it. Ranges are added in list order; a value already claimed by
// an earlier range keeps it.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace tables {

class RangeIndex {
public:
    RangeIndex();
    void Clear();
    // A range holds low and high and, when low < high, every value between; when low > high
    // it holds just the two ends.
    void Add(std::uint16_t low, std::uint16_t high, std::uint32_t position);
    std::optional<std::uint32_t> Find(std::uint16_t value) const noexcept {
        const std::uint32_t p = m_first[value];
        return p == 0 ? std::nullopt : std::optional<std::uint32_t>(p - 1);
    }

private:
    static constexpr std::uint32_t kValues = 65536;
    void Claim(std::uint32_t value, std::uint32_t position);
    std::uint32_t NextFree(std::uint32_t value);

    std::vector<std::uint32_t> m_first;     // position + 1; 0 when unclaimed
    std::vector<std::uint32_t> m_nextFree;  // union-find: the first unclaimed value at or after
};

}  // namespace tables
