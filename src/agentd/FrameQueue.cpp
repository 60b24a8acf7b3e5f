// Records are written little-endian in place; a record never straddles two chunks.
#include "FrameQueue.h"

#include <algorithm>

#include "core/ByteReader.h"

namespace agentd {

namespace {

void PutLe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int b = 0; b < 4; ++b) out.push_back(static_cast<std::uint8_t>(v >> (8 * b)));
}

}  // namespace

void FrameQueue::Push(const SourceFrame& frame, std::uint32_t number, std::uint32_t link) {
    const std::size_t size = RecordSize(frame);
    if (m_chunks.empty() || m_chunks.back().bytes.capacity() - m_chunks.back().bytes.size() < size) {
        Chunk chunk;
        if (!m_spare.empty() && m_spare.back().capacity() >= size) {
            chunk.bytes = std::move(m_spare.back());
            m_spare.pop_back();
        } else {
            chunk.bytes.reserve(std::max(kChunkBytes, size));
        }
        m_chunks.push_back(std::move(chunk));
    }
    auto& out = m_chunks.back().bytes;
    const auto stamp = static_cast<std::uint64_t>(frame.stamp);
    PutLe32(out, 1);  // schema
    PutLe32(out, frame.seconds);
    PutLe32(out, static_cast<std::uint32_t>(stamp));
    PutLe32(out, number);
    PutLe32(out, static_cast<std::uint32_t>(stamp >> 32));
    PutLe32(out, static_cast<std::uint32_t>(frame.bytes.size()));  // captured length
    PutLe32(out, link);
    PutLe32(out, frame.wireLength);
    PutLe32(out, static_cast<std::uint32_t>(frame.bytes.size()));  // data length
    out.insert(out.end(), frame.bytes.begin(), frame.bytes.end());
    ++m_frames;
    m_bytes += size;
}

std::size_t FrameQueue::FrontRecordSize() const noexcept {
    const Chunk& front = m_chunks.front();
    core::ByteReader in(std::span<const std::uint8_t>(front.bytes).subspan(front.read));
    in.Skip(kRecordHeader - 4);
    return kRecordHeader + in.Le32();
}

void FrameQueue::Consumed() {
    Chunk chunk = std::move(m_chunks.front());
    m_chunks.pop_front();
    if (m_spare.size() < m_keepSpares && chunk.bytes.capacity() == kChunkBytes) {
        chunk.bytes.clear();
        m_spare.push_back(std::move(chunk.bytes));
    }
}

void FrameQueue::KeepSpares(std::size_t chunks) {
    m_keepSpares = std::max(chunks, kSpareChunks);
    if (m_spare.size() > m_keepSpares) m_spare.resize(m_keepSpares);
}

bool FrameQueue::DropOldest() {
    if (m_frames == 0) return false;
    const std::size_t size = FrontRecordSize();
    m_chunks.front().read += size;
    --m_frames;
    m_bytes -= size;
    if (m_chunks.front().read == m_chunks.front().bytes.size()) Consumed();
    return true;
}

std::uint32_t FrameQueue::Take(std::size_t maxBytes, std::int64_t frequency, std::vector<std::uint8_t>& batch) {
    batch.clear();
    batch.reserve(kBatchHeader + std::min(m_bytes, maxBytes));  // one allocation, not a doubling series
    const auto f = static_cast<std::uint64_t>(frequency);
    PutLe32(batch, 1);
    PutLe32(batch, static_cast<std::uint32_t>(f));
    PutLe32(batch, static_cast<std::uint32_t>(f >> 32));
    PutLe32(batch, 0);  // the count, once known
    std::uint32_t count = 0;
    std::size_t taken = 0;
    while (m_frames > 0) {
        // The run of whole records of the front chunk that still fits, copied at once.
        Chunk& front = m_chunks.front();
        const std::size_t start = front.read;
        while (front.read < front.bytes.size()) {
            const std::size_t size = FrontRecordSize();
            if (count > 0 && taken + size > maxBytes) break;
            front.read += size;
            taken += size;
            ++count;
            --m_frames;
            m_bytes -= size;
        }
        const auto run = std::span<const std::uint8_t>(front.bytes).subspan(start, front.read - start);
        batch.insert(batch.end(), run.begin(), run.end());
        if (front.read < front.bytes.size()) break;
        Consumed();
    }
    for (int b = 0; b < 4; ++b) batch[12 + static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(count >> (8 * b));
    return count;
}

}  // namespace agentd
