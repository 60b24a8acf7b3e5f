// Decoding one frame of a batch with the batch's decoder set: the summary row of the packet
// list and the detail tree of the selected frame. The previous frame (for the Delta column)
// is frame i - 1 of the same batch, none for frame 0.
#pragma once

#include <cstdint>

#include "capture/CPktSnap.h"
#include "decode/CPktDetailLine.h"
#include "decode/CPktSummary.h"

namespace decode {

// Both do nothing for a null row or root, a frame the batch does not hold, or a batch
// without decoders.
void SummaryOf(const capture::CPktSnap& batch, std::uint32_t level, CPktSummary* row, std::uint32_t i);
void DetailOf(const capture::CPktSnap& batch, CPktDetailLine* root, std::uint32_t i);

}  // namespace decode
