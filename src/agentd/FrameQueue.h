// A snapper's queue of captured frames, kept already serialised as the frame batch carries
// them, in chunks of 256 KiB: no allocation per frame, and a peek copies whole runs
// of records into its batch at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <vector>

#include "FrameSource.h"

namespace agentd {

class FrameQueue {
public:
    static constexpr std::size_t kRecordHeader = 36;  // a serialised frame record before its bytes
    static constexpr std::size_t kBatchHeader = 16;   // schema, frequency (two words), frame count
    static constexpr std::size_t kChunkBytes = std::size_t{256} << 10;
    static constexpr std::size_t kSpareChunks = 2;
    // What the chunks may hold beyond the records counted in Bytes(): the spare chunks, the
    // part of the oldest chunk already taken and the part of the newest not yet filled.
    static constexpr std::size_t kMostOverhead = (kSpareChunks + 2) * kChunkBytes;

    static std::size_t RecordSize(const SourceFrame& frame) noexcept { return kRecordHeader + frame.bytes.size(); }

    // Appends the frame's record, numbered `number`, with link protocol `link`.
    void Push(const SourceFrame& frame, std::uint32_t number, std::uint32_t link);
    // Drops the oldest record; false when there is none.
    bool DropOldest();
    // Replaces `batch` with one serialised frame batch of the oldest records, as many as fit
    // in maxBytes of records (at least one), stamped with `frequency`; returns how many.
    std::uint32_t Take(std::size_t maxBytes, std::int64_t frequency, std::vector<std::uint8_t>& batch);

    // Chunks kept for reuse when emptied, at least kSpareChunks: a queue that a busy client
    // empties a batch at a time keeps a batch's worth, so that its chunks are not mapped
    // afresh for every batch.
    void KeepSpares(std::size_t chunks);
    // What the spare chunks beyond kSpareChunks hold.
    std::size_t ExtraSpareBytes() const noexcept {
        return m_spare.size() > kSpareChunks ? (m_spare.size() - kSpareChunks) * kChunkBytes : 0;
    }

    std::size_t Frames() const noexcept { return m_frames; }
    std::size_t Bytes() const noexcept { return m_bytes; }

private:
    struct Chunk {
        std::vector<std::uint8_t> bytes;
        std::size_t read = 0;  // where the oldest record not yet taken starts
    };
    std::size_t FrontRecordSize() const noexcept;
    void Consumed();  // the front chunk is empty: keep it for reuse

    std::deque<Chunk> m_chunks;
    std::vector<std::vector<std::uint8_t>> m_spare;
    std::size_t m_keepSpares = kSpareChunks;
    std::size_t m_frames = 0;
    std::size_t m_bytes = 0;
};

}  // namespace agentd
