// Checks a peek result from an agent before it becomes a trace-file block: the frame count
// it announces must be that of the batch inside (not 0, no more frames than its bytes can
// hold, none that would carry the file's frame numbers past 2^32 - 1), and the zlib stream
// must open on that batch's head. Only the head is inflated, so the check costs nothing next
// to the write.
#pragma once

#include <cstdint>
#include <span>

#include "core/Result.h"

namespace capture {

struct PeekFacts {
    std::uint32_t frames = 0;        // k
    std::uint32_t inflatedSize = 0;  // u
    std::uint32_t firstFrame = 0;    // the number the agent gave the batch's first frame
};

// framesInFile: the frames the trace file already holds. The error text says what is wrong.
core::Result<PeekFacts> CheckPeekResult(std::span<const std::uint8_t> result, std::uint32_t framesInFile);

}  // namespace capture
