// Stored form shared by the array tables: a 32-bit slot count, then one record per slot.
// An empty slot is stored as a lone schema word 0: the reading rule already leaves a record
// with any other schema than 1 unread after its schema word, so it reads back as empty, and
// the count stays the number of slots.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/Archive.h"

namespace tables {

inline constexpr std::uint32_t kEmptySlotSchema = 0;

template <class Slots>
void StoreSlots(core::Archive& ar, const Slots& slots) {
    ar.WriteU32(static_cast<std::uint32_t>(slots.size()));
    for (const auto& slot : slots) {
        if (slot) {
            slot->Serialize(ar);
        } else {
            ar.WriteU32(kEmptySlotSchema);
        }
    }
}

// Reads a slot count and its records into slotCount fresh slots; each entry goes to the
// slot of its own key unless that is taken or out of range. Throws the archive's
// end-of-file error, before allocating, for a count the remaining bytes cannot back.
template <class Entry, class KeyOf>
std::vector<std::unique_ptr<Entry>> LoadSlots(core::Archive& ar, std::size_t slotCount, KeyOf keyOf) {
    const std::uint32_t count = ar.ReadU32();
    if (count > ar.Remaining() / sizeof(std::uint32_t))
        throw core::ArchiveException(core::ArchiveException::Cause::EndOfFile, "archive ends early");
    std::vector<std::unique_ptr<Entry>> slots(slotCount);
    for (std::uint32_t n = 0; n < count; ++n) {
        auto entry = std::make_unique<Entry>();
        if (!entry->Load(ar)) continue;
        const std::size_t key = keyOf(*entry);
        if (key < slotCount && !slots[key]) slots[key] = std::move(entry);
    }
    return slots;
}

}  // namespace tables
