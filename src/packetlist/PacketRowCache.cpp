// Row texts: Counter is the frame's number, Delta its milliseconds since the frame before it
// on the screen (truncated toward zero), then the three texts of the summary chain in
// display form.
#include "packetlist/PacketRowCache.h"
#include "decode/BatchDecoding.h"

#include "core/DisplayText.h"
#include "decode/TextAppend.h"

namespace packetlist {

PacketRowCache::PacketRowCache(std::size_t slots) : m_slots(slots == 0 ? 1 : slots) {}

const RowTexts& PacketRowCache::Row(const capture::CPktSnap& batch, std::uint32_t level, std::uint32_t i) {
    if (i >= batch.GetFrameCount()) return m_none;
    Slot& slot = m_slots[i % m_slots.size()];
    if (slot.version == m_version && slot.row == i) return slot.texts;

    decode::SummaryOf(batch, level, &m_summary, i);
    RowTexts& t = slot.texts;
    t.counter.clear();
    decode::AppendDec(t.counter, m_summary.frameNumber);
    t.delta.clear();
    decode::AppendDeltaMs(t.delta, m_summary.timeDelta);
    // Captured bytes are shown as the command line prints them: escaped, valid UTF-8.
    for (auto [text, raw] : {std::pair{&t.source, &m_summary.source}, std::pair{&t.destination, &m_summary.destination},
                             std::pair{&t.summary, &m_summary.summary}}) {
        text->clear();
        core::AppendDisplayText(*text, *raw);
    }
    slot.version = m_version;
    slot.row = i;
    return t;
}

}  // namespace packetlist
