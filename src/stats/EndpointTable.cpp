// Endpoint counting.
#include "stats/EndpointTable.h"

namespace stats {

EndpointTable::Counts* EndpointTable::Find(const Address& address, const FrameSample& frame) {
    bool made = false;
    Counts* c = m_map.Find(address, made);
    if (made) c->firstFrame = frame.number;
    return c;
}

void EndpointTable::Add(const Address& source, const Address& destination, const FrameSample& frame) {
    if (Counts* s = Find(source, frame)) {
        s->txFrames += 1;
        s->txBytes += frame.bytes;
    } else {
        m_other.txFrames += 1;
        m_other.txBytes += frame.bytes;
    }
    if (Counts* d = Find(destination, frame)) {
        d->rxFrames += 1;
        d->rxBytes += frame.bytes;
    } else {
        m_other.rxFrames += 1;
        m_other.rxBytes += frame.bytes;
    }
}

std::vector<EndpointRow> EndpointTable::Rows() const {
    std::vector<EndpointRow> rows;
    rows.reserve(m_map.Size() + 1);
    for (const auto& [address, c] : m_map.Entries()) {
        EndpointRow r;
        r.address = address;
        r.txFrames = c.txFrames;
        r.txBytes = c.txBytes;
        r.rxFrames = c.rxFrames;
        r.rxBytes = c.rxBytes;
        r.firstFrame = c.firstFrame;
        rows.push_back(std::move(r));
    }
    if (m_other.Frames() != 0) {
        rows.push_back(m_other);
        rows.back().other = true;
    }
    return rows;
}

}  // namespace stats
