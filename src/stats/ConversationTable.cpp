// Conversation counting.
#include "stats/ConversationTable.h"

#include <algorithm>

namespace stats {

std::size_t ConversationTable::KeyHash::operator()(const Key& k) const noexcept {
    const AddressHash h;
    return h(k.low) * 31 ^ h(k.high);
}

void ConversationTable::Add(const Address& source, const Address& destination, const FrameSample& frame) {
    const bool fromHigh = destination < source;
    const Key key{fromHigh ? destination : source, fromHigh ? source : destination};
    bool made = false;
    Counts* c = m_map.Find(key, made);
    if (c == nullptr) {
        m_other.framesAtoB += 1;
        m_other.bytesAtoB += frame.bytes;
        return;
    }
    if (made) {
        c->start = c->end = frame.time;
        c->firstFrame = frame.number;
        c->highFirst = fromHigh;
    }
    const int from = fromHigh ? 1 : 0;
    c->frames[from] += 1;
    c->bytes[from] += frame.bytes;
    c->start = std::min(c->start, frame.time);
    c->end = std::max(c->end, frame.time);
}

std::vector<ConversationRow> ConversationTable::Rows() const {
    std::vector<ConversationRow> rows;
    rows.reserve(m_map.Size() + 1);
    for (const auto& [key, c] : m_map.Entries()) {
        ConversationRow r;
        const int a = c.highFirst ? 1 : 0;
        r.a = c.highFirst ? key.high : key.low;
        r.b = c.highFirst ? key.low : key.high;
        r.framesAtoB = c.frames[a];
        r.bytesAtoB = c.bytes[a];
        r.framesBtoA = c.frames[1 - a];
        r.bytesBtoA = c.bytes[1 - a];
        r.start = c.start;
        r.end = c.end;
        r.firstFrame = c.firstFrame;
        rows.push_back(r);
    }
    if (m_other.Frames() != 0) {
        rows.push_back(m_other);
        rows.back().other = true;
    }
    return rows;
}

}  // namespace stats
