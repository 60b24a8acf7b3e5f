// Brings back a trace file whose writer never wrote its final header (a capture killed, a
// machine that lost power): every reader refuses such a file ("File length is invalid"),
// although its blocks are intact, because they were flushed one by one. Recovery walks the
// lead-record chain from the first block and keeps each block that verifies completely:
// chain offsets, sizes, the trail record, frame numbers that never go back, a zlib stream
// that inflates to exactly its size, and a batch that loads with the frames the records
// promise.
//
// A block that fails in the middle of the file is stepped over: the walk goes on at the next
// block that verifies (where the bad block's own records point, else the first offset after
// it where a whole block verifies), and the frame numbers between are reported lost. Only
// what follows the last block that verifies (usually one torn by the crash) is dropped.
// The kept blocks keep their frame numbers, so a frame is the same frame before and after.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "capture/TraceFormat.h"
#include "core/FileHandle.h"
#include "core/Result.h"

namespace capture {

struct KeptBlock {
    std::uint64_t offset = 0;  // in the file walked
    std::uint64_t length = 0;
    TraceRecord lead;
};

// Bytes between two kept blocks that did not verify as a block, or (bytes 0) a kept block
// whose frame numbers do not follow on from the block before it.
struct SteppedOver {
    std::uint64_t offset = 0;
    std::uint64_t bytes = 0;
    std::uint32_t firstLost = 0;   // the frame numbers the kept blocks skip here
    std::uint32_t framesLost = 0;  // 0: none (bytes that held no frame of the numbering)
    std::string reason;            // why the first block there did not verify
};

struct RecoveryScan {
    TraceHeader header;  // as found
    std::vector<KeptBlock> kept;
    std::vector<SteppedOver> steppedOver;
    std::uint32_t frames = 0;    // in the kept blocks
    std::uint32_t frameEnd = 0;  // one past the last kept frame number: the recovered header's frame count
    std::uint64_t keptEnd = kTraceHeaderSize;  // where the last kept block ends in the file walked
    std::uint64_t fileSize = 0;
    std::string dropReason;  // why nothing after keptEnd verified

    std::uint32_t Blocks() const noexcept { return static_cast<std::uint32_t>(kept.size()); }
    std::uint64_t DroppedBytes() const noexcept { return fileSize - keptEnd; }
    std::uint64_t FramesLost() const noexcept;
    // The length of the recovered file: a header and the kept blocks back to back.
    std::uint64_t RecoveredSize() const noexcept;
    // The header holds counts: the capture that wrote it ended in order.
    bool HeaderHasCounts() const noexcept;
    // The header already holds these counts and every byte after it belongs to a kept block
    // (frame numbers may still jump where a capture lost frames).
    bool Complete() const noexcept;
};

// done and total in bytes of the file walked.
using RecoveryProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

// What recovery would keep; reads only. Fails when the file is no trace file at all.
core::Result<RecoveryScan> ScanTrace(const core::FileHandle& file, const RecoveryProgress& progress = {});

// Writes the recovered trace of scan, read from from, into the empty file to: a header with
// the counts, then the kept blocks back to back. A block that moves gets the chain offsets
// of its new place in its lead and trail records; nothing else of it changes.
core::Status WriteRecovered(const core::FileHandle& from, const core::FileHandle& to, const RecoveryScan& scan);

struct Recovery {
    RecoveryScan scan;
    // Whether anything was written; false when the file was left byte for byte as it was.
    bool written = false;
};

// Recovers in into out, or in place when out is empty or names the same file.
// In place, a file whose header already holds counts is left as it is, whatever it holds: it
// was finished in order, and only a reader decides what to make of a damaged block in it. A
// file that a running capture still holds (its lock) is refused, and so is an out that one
// holds. Every file written is written whole under a temporary name and renamed into place,
// except in place when only a torn tail is dropped: then the tail is cut off and the header
// written.
core::Result<Recovery> RecoverTrace(const std::string& in, const std::string& out,
                                    const RecoveryProgress& progress = {});

}  // namespace capture
