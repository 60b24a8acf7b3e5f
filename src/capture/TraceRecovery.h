// Brings back a trace file whose writer never wrote its final header (a capture killed, a
// machine that lost power): every reader refuses such a file ("File length is invalid"),
// although its blocks are intact, because they were flushed one by one. Recovery walks the
// lead-record chain from the first block and keeps each block that verifies completely:
// chain offsets, sizes, the trail record, frame numbers that continue from 0, a zlib stream
// that inflates to exactly its size, and a batch that loads with the frames the records
// promise. The first block that fails, usually one torn by the crash, ends the walk; it and
// whatever follows are dropped. Then the header gets the counts of what was kept.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "capture/TraceFormat.h"
#include "core/FileHandle.h"
#include "core/Result.h"

namespace capture {

struct RecoveryScan {
    TraceHeader header;        // as found
    std::uint32_t blocks = 0;  // kept
    std::uint32_t frames = 0;
    std::uint64_t keptEnd = kTraceHeaderSize;  // the recovered file's length
    std::uint64_t fileSize = 0;
    std::string dropReason;  // why the walk stopped before the end of the file

    std::uint64_t DroppedBytes() const noexcept { return fileSize - keptEnd; }
    // The header already holds these counts and nothing follows the last block.
    bool Complete() const noexcept;
};

// done and total in bytes of the file walked.
using RecoveryProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

// What recovery would keep; reads only. Fails when the file is no trace file at all.
core::Result<RecoveryScan> ScanTrace(const core::FileHandle& file, const RecoveryProgress& progress = {});

// Recovers in into out, or in place when out is empty or names the same file: the kept
// blocks, unchanged, behind a header with their counts. In place, the dropped tail is cut
// off; a file that a running capture still holds (its lock) is refused. A complete file is
// left as it is.
core::Result<RecoveryScan> RecoverTrace(const std::string& in, const std::string& out,
                                        const RecoveryProgress& progress = {});

}  // namespace capture
