// The I/O series as the graph draws it: frames and bytes per second, interval by interval,
// with neighbouring intervals merged when there are more than the graph has room for (a
// day in 1 ms intervals); and the frame a click at a time goes to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "stats/IoSeries.h"

namespace stats {

struct IoRatePoint {
    double seconds = 0;  // the start of the (merged) interval, after the first frame
    double frames = 0;   // per second over it
    double bytes = 0;
    double matched = 0;  // frames per second of those a filter matched
};

struct IoRates {
    std::vector<IoRatePoint> points;
    std::int64_t step = 0;  // ns a point covers: the series' interval times how many were merged
};

IoRates RatesOf(const IoSeries& series, std::size_t maxPoints);
// The first frame counted at or after a time (seconds after the first frame): the first of
// the interval holding it, else of the next interval with a frame; none past the last.
std::optional<std::uint32_t> FrameAtTime(const IoSeries& series, double seconds);

}  // namespace stats
