// Turns a frame batch into what a peek hands over: frame count k, uncompressed size u, then
// the zlib stream of the serialised batch.
#pragma once

#include <cstdint>
#include <vector>

#include "capture/CPktSnap.h"

namespace agentd {

std::vector<std::uint8_t> BuildPeekResult(capture::CPktSnap& batch);

}  // namespace agentd
