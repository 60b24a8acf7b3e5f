// I/O counting.
#include "stats/IoSeries.h"

#include <algorithm>

namespace stats {

namespace {

void Count(IoInterval& in, const FrameSample& sample, bool matched) {
    in.frames += 1;
    in.bytes += sample.bytes;
    if (matched) {
        in.matchedFrames += 1;
        in.matchedBytes += sample.bytes;
    }
    if (!in.firstFrame) in.firstFrame = sample.number;
}

}  // namespace

IoSeries::IoSeries(std::int64_t interval, FrameMatch match, std::size_t maxIntervals)
    : m_interval(std::clamp(interval, kMinInterval, kMaxInterval)),
      m_match(std::move(match)),
      m_maxIntervals(std::max<std::size_t>(maxIntervals, 1)) {}

std::optional<std::size_t> IoSeries::IntervalAt(std::int64_t time) const noexcept {
    if (time < 0) return std::nullopt;
    const auto i = static_cast<std::uint64_t>(time / m_interval);
    if (i >= m_intervals.size()) return std::nullopt;
    return static_cast<std::size_t>(i);
}

void IoSeries::Add(const FrameSample& sample, const capture::CPktSnapQue& frame) {
    const bool matched = m_match && m_match(frame);
    if (sample.time < 0 || static_cast<std::uint64_t>(sample.time / m_interval) >= m_maxIntervals) {
        Count(m_other, sample, matched);
        return;
    }
    const auto i = static_cast<std::size_t>(sample.time / m_interval);
    if (i >= m_intervals.size()) m_intervals.resize(i + 1);
    Count(m_intervals[i], sample, matched);
}

}  // namespace stats
