// Each value is claimed once: the union-find over unclaimed values makes adding any number
// of overlapping ranges cost about one step per value in total.
#include "tables/RangeIndex.h"

#include <numeric>

namespace tables {

RangeIndex::RangeIndex() { Clear(); }

void RangeIndex::Clear() {
    m_first.assign(kValues, 0);
    m_nextFree.resize(kValues + 1);
    std::iota(m_nextFree.begin(), m_nextFree.end(), 0U);
}

std::uint32_t RangeIndex::NextFree(std::uint32_t value) {
    std::uint32_t root = value;
    while (m_nextFree[root] != root) root = m_nextFree[root];
    while (m_nextFree[value] != root) {  // path compression
        const std::uint32_t next = m_nextFree[value];
        m_nextFree[value] = root;
        value = next;
    }
    return root;
}

void RangeIndex::Claim(std::uint32_t value, std::uint32_t position) {
    if (m_first[value] != 0) return;
    m_first[value] = position + 1;
    m_nextFree[value] = value + 1;
}

void RangeIndex::Add(std::uint16_t low, std::uint16_t high, std::uint32_t position) {
    if (position >= UINT32_MAX - 1) return;
    if (low > high) {
        Claim(low, position);
        Claim(high, position);
        return;
    }
    for (std::uint32_t v = NextFree(low); v <= high; v = NextFree(v + 1)) Claim(v, position);
}

}  // namespace tables
