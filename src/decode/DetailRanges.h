// How the byte ranges of a detail tree must nest: each line's bytes lie inside the frame and
// inside the bytes of the nearest line above it that describes any. The tests and the fuzz
// targets hold every decoder to it; the bytes pane relies on it to find the deepest line.
#pragma once

#include <cstddef>

#include "decode/CPktDetailLine.h"

namespace decode {

// The first line (depth first) whose bytes break the rule; nullptr when every line keeps it.
const CPktDetailLine* FindStrayRange(const CPktDetailLine& root, std::size_t frameLength);

// The deepest line whose bytes hold the frame's byte at offset (the first of equals, in
// display order); nullptr when no line names it.
const CPktDetailLine* DeepestLineAt(const CPktDetailLine& root, std::size_t offset);

}  // namespace decode
