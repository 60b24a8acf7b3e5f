// Rates per second for the I/O graph.
#include "stats/IoRates.h"

#include <algorithm>
#include <cmath>

namespace stats {

IoRates RatesOf(const IoSeries& series, std::size_t maxPoints) {
    const auto& intervals = series.Intervals();
    const std::size_t merge = std::max<std::size_t>(1, (intervals.size() + std::max<std::size_t>(maxPoints, 1) - 1) /
                                                           std::max<std::size_t>(maxPoints, 1));
    IoRates rates;
    rates.step = series.Interval() * static_cast<std::int64_t>(merge);
    const double perSecond = static_cast<double>(kNanosPerSecond) / static_cast<double>(rates.step);
    for (std::size_t first = 0; first < intervals.size(); first += merge) {
        std::uint64_t frames = 0, bytes = 0, matched = 0;
        for (std::size_t i = first; i < std::min(intervals.size(), first + merge); ++i) {
            frames += intervals[i].frames;
            bytes += intervals[i].bytes;
            matched += intervals[i].matchedFrames;
        }
        rates.points.push_back({static_cast<double>(static_cast<std::int64_t>(first) * series.Interval()) /
                                    static_cast<double>(kNanosPerSecond),
                                static_cast<double>(frames) * perSecond, static_cast<double>(bytes) * perSecond,
                                static_cast<double>(matched) * perSecond});
    }
    return rates;
}

std::optional<std::uint32_t> FrameAtTime(const IoSeries& series, double seconds) {
    if (!std::isfinite(seconds)) return std::nullopt;
    const double ns = std::max(0.0, seconds) * static_cast<double>(kNanosPerSecond);
    if (ns >= static_cast<double>(series.Intervals().size()) * static_cast<double>(series.Interval()))
        return std::nullopt;
    const auto at = series.IntervalAt(static_cast<std::int64_t>(ns));
    if (!at) return std::nullopt;
    const auto& intervals = series.Intervals();
    for (std::size_t i = *at; i < intervals.size(); ++i)
        if (intervals[i].firstFrame) return intervals[i].firstFrame;
    return std::nullopt;
}

}  // namespace stats
