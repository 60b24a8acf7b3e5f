// What every table counts of one frame besides its layers: when it was captured (relative to
// the first frame of the capture), its length on the wire and its number.
#pragma once

#include <cstdint>

namespace stats {

struct FrameSample {
    std::int64_t time = 0;  // nanoseconds after the capture's first frame (negative: before it)
    std::uint32_t bytes = 0;
    std::uint32_t number = 0;
};

inline constexpr std::int64_t kNanosPerSecond = 1'000'000'000;

}  // namespace stats
