// Open addressing with linear probing over a power-of-two table kept at most half full.
#include "tables/PrefixIndex.h"

namespace tables {

namespace {
constexpr std::uint64_t kUsed = std::uint64_t{1} << 24;
constexpr std::uint32_t kPrefixMask = 0xFFFFFF;
constexpr std::size_t kMinSlots = 1024;
}  // namespace

void PrefixIndex::Clear() noexcept {
    m_slots.clear();
    m_used = 0;
}

std::size_t PrefixIndex::SlotOf(std::uint32_t prefix) const noexcept {
    // Fibonacci hashing; the table size is a power of two.
    const std::uint64_t h = (std::uint64_t{prefix} * 0x9E3779B97F4A7C15ULL) >> 20;
    return static_cast<std::size_t>(h) & (m_slots.size() - 1);
}

void PrefixIndex::Grow() { Reserve(m_slots.empty() ? kMinSlots / 2 : m_slots.size()); }

void PrefixIndex::Reserve(std::size_t n) {
    std::size_t size = kMinSlots;
    while (size < n * 2) size *= 2;
    if (size <= m_slots.size()) return;
    std::vector<std::uint64_t> old = std::move(m_slots);
    m_slots.assign(size, 0);
    for (const std::uint64_t slot : old) {
        if (slot == 0) continue;
        std::size_t i = SlotOf(static_cast<std::uint32_t>(slot) & kPrefixMask);
        while (m_slots[i] != 0) i = (i + 1) & (m_slots.size() - 1);
        m_slots[i] = slot;
    }
}

void PrefixIndex::Insert(std::uint32_t prefix, std::uint32_t position) {
    prefix &= kPrefixMask;
    if ((m_used + 1) * 2 > m_slots.size()) Grow();
    std::size_t i = SlotOf(prefix);
    while (m_slots[i] != 0) {
        if ((static_cast<std::uint32_t>(m_slots[i]) & kPrefixMask) == prefix) return;  // first one wins
        i = (i + 1) & (m_slots.size() - 1);
    }
    m_slots[i] = (std::uint64_t{position} << 32) | prefix | kUsed;
    ++m_used;
}

std::optional<std::uint32_t> PrefixIndex::Find(std::uint32_t prefix) const noexcept {
    if (m_slots.empty()) return std::nullopt;
    prefix &= kPrefixMask;
    for (std::size_t i = SlotOf(prefix);; i = (i + 1) & (m_slots.size() - 1)) {
        const std::uint64_t slot = m_slots[i];
        if (slot == 0) return std::nullopt;
        if ((static_cast<std::uint32_t>(slot) & kPrefixMask) == prefix) return static_cast<std::uint32_t>(slot >> 32);
    }
}

}  // namespace tables
