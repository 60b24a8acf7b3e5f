// Writes a trace file: the header, one block per peek result (lead record, the peek result
// with its first word turned into the compressed size, trail record), and the final counts.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <span>
#include <string>

#include "core/FileHandle.h"
#include "core/Result.h"

namespace capture {

class TraceWriter {
public:
    // Durable pushes each block to the device before AppendBlock returns (a live capture);
    // Deferred leaves that to Finish (a bulk import).
    enum class Flush { Durable, Deferred };

    // Creates (truncates) the file; nothing is written until WriteHeader.
    static core::Result<TraceWriter> Create(const std::string& path, Flush flush = Flush::Durable);
    explicit TraceWriter(core::FileHandle file, Flush flush = Flush::Durable) noexcept;
    TraceWriter(TraceWriter&& other) noexcept;

    // The 24-byte header with zero counts, at offset 0.
    core::Status WriteHeader();
    // peekResult is what the agent returns: frame count k, uncompressed size u, then the zlib
    // stream. A block that cannot take the trace-file lock within the wait is dropped (an
    // Io error saying so) and the file is left as it was; so is a block whose write fails.
    core::Status AppendBlock(std::span<const std::uint8_t> peekResult, std::uint32_t frameCount);
    // Rewrites the header with the block count, end offset and frame count.
    core::Status Finish();

    // Read by the packet list without a lock; the writer raises them after each block.
    std::uint32_t BlockCount() const noexcept { return m_blockCount.load(std::memory_order_acquire); }
    std::uint32_t EndOffset() const noexcept { return m_endOffset.load(std::memory_order_acquire); }
    std::uint32_t FrameCount() const noexcept { return m_frameCount.load(std::memory_order_acquire); }
    const core::FileHandle& File() const noexcept { return m_file; }
    void SetLockWait(std::chrono::milliseconds wait) noexcept { m_lockWait = wait; }

private:
    core::FileHandle m_file;
    Flush m_flush;
    std::chrono::milliseconds m_lockWait{10000};
    std::atomic<std::uint32_t> m_blockCount{0};
    std::atomic<std::uint32_t> m_endOffset{0};
    std::atomic<std::uint32_t> m_frameCount{0};
};

}  // namespace capture
