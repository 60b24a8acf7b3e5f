// Hash index from a 3-byte address prefix to the first list position that holds it, so the
// vendor lookup keeps its first-in-file-order answer without walking the list.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace tables {

class PrefixIndex {
public:
    void Clear() noexcept;
    // Sizes the table for about n prefixes so that loading does not rehash.
    void Reserve(std::size_t n);
    // Records position for the prefix unless an earlier position holds it already.
    void Insert(std::uint32_t prefix, std::uint32_t position);
    std::optional<std::uint32_t> Find(std::uint32_t prefix) const noexcept;

private:
    void Grow();
    std::size_t SlotOf(std::uint32_t prefix) const noexcept;

    // Each slot: position << 32 | prefix | kUsed; 0 is empty.
    std::vector<std::uint64_t> m_slots;
    std::size_t m_used = 0;
};

}  // namespace tables
