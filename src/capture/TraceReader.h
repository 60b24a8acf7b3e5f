// Reads a trace file the way the packet list does: validates the header, then moves one
// block at a time along the lead and trail records (first, next, previous, last, the block
// holding frame N from either end), never scanning frame data.
//
// A move is two steps so that callers can pipeline: Fetch positions along the chain and
// reads the block's compressed bytes (under the trace-file lock where the file may grow);
// Inflate and LoadBatch turn them into a frame batch and touch no reader state, so they may
// run on another thread; Accept then makes the block the one on display. Go and GoToFrame
// do all of it in one call.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "capture/CPktSnap.h"
#include "capture/TraceFormat.h"
#include "core/FileHandle.h"
#include "core/PendingFile.h"
#include "core/Result.h"
#include "core/UserPrompt.h"

namespace capture {

// One block's compressed bytes as read from the file, not yet inflated.
struct RawBlock {
    std::uint32_t screen = 0;  // the 1-based number it will have on display
    std::uint32_t offset = 0;  // file offset of its lead record
    std::uint32_t inflatedSize = 0;
    std::uint32_t compressedSize = 0;        // kept when the bytes are let go after inflating
    std::vector<std::uint8_t> compressed;
    TraceRecord trail;

    std::string Name() const;  // "block 3 at offset 1234", for messages
};

// A block as listed by the lead-record chain, without its data.
struct BlockInfo {
    std::uint32_t number = 0;
    std::uint32_t offset = 0;
    TraceRecord lead;
    std::uint32_t compressedSize = 0;
    std::uint32_t inflatedSize = 0;
};

class TraceReader {
public:
    enum class Move { First, Next, Previous, Last };

    static core::Result<TraceReader> Open(const std::string& path);
    explicit TraceReader(core::FileHandle file) noexcept : m_file(std::move(file)) {}

    // Checks the header, tells the user what is wrong ("Wrong file opened!", "File was
    // created by different release", "File length is invalid") and takes the header's counts.
    // The counts are taken even when only the length is wrong, as the packet list does.
    bool Validate(core::UserPrompt& prompt);
    // A live capture's counts come from its writer instead of the header.
    void SetKnownCounts(std::uint32_t blockCount, std::uint32_t frameCount, std::uint32_t endOffset) noexcept;

    // nullopt when the move is not allowed from the current screen (nothing is read then).
    core::Result<std::optional<RawBlock>> Fetch(Move move) const;
    // The block holding frame n, searched from the start when n is not after currentFrame,
    // else from the end.
    core::Result<RawBlock> FetchFrame(std::uint32_t n, std::uint32_t currentFrame) const;
    core::Result<RawBlock> FetchFrameFromStart(std::uint32_t n) const;
    core::Result<RawBlock> FetchFrameFromEnd(std::uint32_t n) const;

    // Thread-safe: no reader state. Errors name the block.
    static core::Status Inflate(const RawBlock& block, std::vector<std::uint8_t>& out);
    // Empties batch, then loads it from the inflated bytes; on any error the batch stays empty.
    static core::Status LoadBatch(const RawBlock& block, std::span<const std::uint8_t> inflated, CPktSnap& batch);
    // The same, the batch keeping the inflated bytes themselves instead of a copy.
    static core::Status LoadBatch(const RawBlock& block, std::vector<std::uint8_t>&& inflated, CPktSnap& batch);
    // The block is now on display: screen, its trail record, and the read position after it.
    // A block that was fetched but would not inflate or load is passed over the same way.
    void Accept(const RawBlock& block) noexcept;
    // The block after the screen could not even be fetched: moves past it to the next block
    // the chains still reach, so that a following Next loads that one. Its lead record is
    // tried first, then its compressed size, then the trail records walked back from the end
    // of the file. false: no block lies beyond it.
    core::Result<bool> PassBrokenBlock();

    // Fetch, inflate, load, accept. false: the move is not allowed and nothing changed. An
    // error leaves the batch empty and the screen as it was.
    core::Result<bool> Go(Move move, CPktSnap& batch);
    core::Status GoToFrame(std::uint32_t n, std::uint32_t currentFrame, CPktSnap& batch);

    // Every block along the lead records, checking that each chain offset agrees with the
    // block's length and stays inside the file.
    core::Result<std::vector<BlockInfo>> ListBlocks() const;

    std::uint32_t Screen() const noexcept { return m_screen; }
    std::uint32_t ScreenFirst() const noexcept { return m_screenTrail.first; }
    std::uint32_t ScreenLast() const noexcept { return m_screenTrail.last; }
    std::uint32_t ScreenBlockOffset() const noexcept { return m_screenTrail.offset; }
    std::uint32_t BlockCount() const noexcept { return m_blockCount; }
    std::uint32_t FrameCount() const noexcept { return m_frameCount; }
    std::uint32_t EndOffset() const noexcept { return m_endOffset; }
    const TraceHeader& Header() const noexcept { return m_header; }
    // The header was read and still holds the zero counts a capture writes when it starts:
    // the capture that wrote the file did not end in order.
    bool Unfinished() const noexcept {
        return m_headerRead && m_header.blockCount == 0 && m_header.frameCount == 0 && m_header.endOffset == 0;
    }
    core::Result<std::uint64_t> FileSize() const { return m_file.Size(); }
    // Whether path names the file this reader reads (same device and inode).
    bool IsFile(const std::string& path) const noexcept { return core::SameFile(m_file, path); }

private:
    core::Result<RawBlock> ReadBlockAt(std::uint32_t offset, std::uint32_t screen) const;
    core::Result<TraceRecord> ReadRecordAt(std::uint64_t offset) const;
    core::Result<RawBlock> FetchPrevious() const;
    core::Result<RawBlock> FetchLast() const;
    // The first block after offset along the trail records, walked back from the end of the
    // file, with its screen number; nullopt when none lies after offset.
    core::Result<std::optional<std::pair<std::uint32_t, std::uint32_t>>> FirstBlockAfter(std::uint64_t offset) const;
    core::Status Show(core::Result<RawBlock> fetched, CPktSnap& batch);

    core::FileHandle m_file;
    TraceHeader m_header;
    bool m_headerRead = false;
    std::uint32_t m_blockCount = 0;
    std::uint32_t m_frameCount = 0;
    std::uint32_t m_endOffset = kTraceHeaderSize;
    std::uint32_t m_screen = 0;
    TraceRecord m_screenTrail;
    std::uint64_t m_position = kTraceHeaderSize;  // where the next block's lead record is
};

}  // namespace capture
