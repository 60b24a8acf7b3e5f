// Trace writer. Offsets in the file are 32-bit, so a block that would carry the file past
// 4 GiB is refused rather than written with wrapped chain offsets.
#include "capture/TraceWriter.h"

#include <algorithm>
#include <array>
#include <mutex>

#include "capture/TraceFileMutex.h"
#include "capture/TraceFormat.h"
#include "platform/TimedLock.h"

namespace capture {

namespace {
constexpr std::size_t kPeekPrefix = 8;  // frame count (becomes c) and uncompressed size
constexpr std::uint64_t kMaxFileSize = 0xFFFFFFFFull;
}  // namespace

core::Result<TraceWriter> TraceWriter::Create(const std::string& path, Flush flush) {
    auto file = core::FileHandle::Open(path, core::FileHandle::Mode::Create);
    if (!file) return file.Err();
    return TraceWriter(std::move(file).Value(), flush);
}

TraceWriter::TraceWriter(core::FileHandle file, Flush flush) noexcept : m_file(std::move(file)), m_flush(flush) {}

TraceWriter::TraceWriter(TraceWriter&& other) noexcept
    : m_file(std::move(other.m_file)),
      m_flush(other.m_flush),
      m_lockWait(other.m_lockWait),
      m_blockCount(other.m_blockCount.load()),
      m_endOffset(other.m_endOffset.load()),
      m_frameCount(other.m_frameCount.load()) {}

core::Status TraceWriter::WriteHeader() {
    const auto header = TraceHeader{}.Encode();
    if (auto st = m_file.WriteAt(0, header); !st) return st;
    m_endOffset.store(kTraceHeaderSize, std::memory_order_release);
    return core::Success();
}

core::Status TraceWriter::AppendBlock(std::span<const std::uint8_t> peekResult, std::uint32_t frameCount) {
    if (peekResult.size() < kPeekPrefix)
        return core::Fail(core::ErrorKind::Protocol,
                          "peek result of " + std::to_string(peekResult.size()) + " bytes is too short for a block");
    const std::uint32_t end = m_endOffset.load(std::memory_order_relaxed);
    if (end < kTraceHeaderSize) return core::Fail(core::ErrorKind::Io, "trace header was not written");
    const std::uint64_t blockLen = peekResult.size() + 2 * std::uint64_t{kTraceRecordSize};
    if (end + blockLen > kMaxFileSize)
        return core::Fail(core::ErrorKind::Unsupported, "block would carry the trace file past 4 GiB");

    const std::uint32_t first = m_frameCount.load(std::memory_order_relaxed);
    const std::uint32_t last = first + frameCount - 1;
    const auto c = static_cast<std::uint32_t>(peekResult.size() - kPeekPrefix);
    const auto next = static_cast<std::uint32_t>(end + blockLen);
    const TraceRecord lead{first, last, next};
    const TraceRecord trail{first, last, end};

    // One write per block: lead record, peek result with c in place of k, trail record;
    // the peek's bytes go to the file as they are, without a copy of the block.
    std::array<std::uint8_t, kTraceRecordSize + 4> head{};
    const auto leadBytes = lead.Encode();
    std::copy(leadBytes.begin(), leadBytes.end(), head.begin());
    for (std::size_t b = 0; b < 4; ++b) head[kTraceRecordSize + b] = static_cast<std::uint8_t>(c >> (8 * b));
    const auto trailBytes = trail.Encode();

    if (!platform::TryLockFor(TraceFileMutex(), m_lockWait))
        return core::Fail(core::ErrorKind::Io,
                          "trace file is busy: block of " + std::to_string(frameCount) + " frames dropped");
    std::unique_lock lock(TraceFileMutex(), std::adopt_lock);
    auto st = m_file.WriteAt(end, {head, peekResult.subspan(4), trailBytes});
    if (st && m_flush == Flush::Durable) st = m_file.Sync();
    if (!st) {
        // A half-written block would break the chain for every later block.
        (void)m_file.Truncate(end);
        return st;
    }
    m_blockCount.fetch_add(1, std::memory_order_acq_rel);
    m_endOffset.store(next, std::memory_order_release);
    lock.unlock();
    m_frameCount.store(first + frameCount, std::memory_order_release);
    return core::Success();
}

core::Status TraceWriter::Finish() {
    TraceHeader header;
    header.blockCount = BlockCount();
    header.endOffset = EndOffset();
    header.frameCount = FrameCount();
    const auto bytes = header.Encode();
    if (auto st = m_file.WriteAt(0, bytes); !st) return st;
    return m_file.Sync();
}

}  // namespace capture
