// The row cache: a row is decoded on its first draw after the version changed.
#include "packetlist/PacketRowCache.h"

#include "decode/BatchDecoding.h"

namespace packetlist {

PacketRowCache::PacketRowCache(std::size_t slots) : m_slots(slots == 0 ? 1 : slots) {}

const RowTexts& PacketRowCache::Row(const capture::CPktSnap& batch, std::uint32_t level, std::uint32_t i) {
    if (i >= batch.GetFrameCount()) return m_none;
    Slot& slot = m_slots[i % m_slots.size()];
    if (slot.version == m_version && slot.row == i) return slot.texts;

    decode::SummaryOf(batch, level, &m_summary, i);
    FormatRow(m_summary, slot.texts);
    slot.version = m_version;
    slot.row = i;
    return slot.texts;
}

}  // namespace packetlist
