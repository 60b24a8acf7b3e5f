// Row texts: Counter is the frame's number, Delta its milliseconds since the frame before it
// on the screen (truncated toward zero), then the three texts of the summary chain.
#include "agent/PacketRowCache.h"

#include "decode/TextAppend.h"

namespace agent {

PacketRowCache::PacketRowCache(std::size_t slots) : m_slots(slots == 0 ? 1 : slots) {}

const RowTexts& PacketRowCache::Row(const capture::CPktSnap& batch, std::uint32_t level, std::uint32_t i) {
    if (i >= batch.GetFrameCount()) return m_none;
    Slot& slot = m_slots[i % m_slots.size()];
    if (slot.version == m_version && slot.row == i) return slot.texts;

    batch.SummaryOf(level, &m_summary, i);
    RowTexts& t = slot.texts;
    t.counter.clear();
    decode::AppendDec(t.counter, m_summary.frameNumber);
    t.delta.clear();
    decode::AppendDeltaMs(t.delta, m_summary.timeDelta);
    // Swapping hands the slot's old strings back to the chain, which clears and refills
    // them for the next row without allocating.
    t.source.swap(m_summary.source);
    t.destination.swap(m_summary.destination);
    t.summary.swap(m_summary.summary);
    slot.version = m_version;
    slot.row = i;
    return t;
}

}  // namespace agent
