// Frames and bytes per interval of capture time (1 ms to 1 h), counted from the capture's
// first frame; optionally also those of the frames a filter matches. The intervals are
// kept dense up to a cap: a frame stamped before the first frame, or later than the cap
// reaches (a 1 ms interval over a capture of days), is counted in the "other" row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "capture/CPktSnapQue.h"
#include "stats/FrameSample.h"

namespace stats {

// Tells whether a frame is one the I/O counts are also asked for. A filter expression
// (libpcap's language, on the frame's bytes and link type) plugs in here.
using FrameMatch = std::function<bool(const capture::CPktSnapQue& frame)>;

struct IoInterval {
    std::uint64_t frames = 0;
    std::uint64_t bytes = 0;
    std::uint64_t matchedFrames = 0;
    std::uint64_t matchedBytes = 0;
    std::optional<std::uint32_t> firstFrame;  // the number of the first frame counted in it
};

class IoSeries {
public:
    static constexpr std::int64_t kMinInterval = 1'000'000;               // 1 ms
    static constexpr std::int64_t kMaxInterval = 3600 * kNanosPerSecond;  // 1 h
    static constexpr std::size_t kDefaultMaxIntervals = 1'000'000;

    // interval in nanoseconds, kMinInterval to kMaxInterval (clamped into that range).
    explicit IoSeries(std::int64_t interval, FrameMatch match = {}, std::size_t maxIntervals = kDefaultMaxIntervals);

    void Add(const FrameSample& sample, const capture::CPktSnapQue& frame);

    std::int64_t Interval() const noexcept { return m_interval; }
    bool Matching() const noexcept { return static_cast<bool>(m_match); }
    // From the first frame's interval to the last interval holding a frame.
    const std::vector<IoInterval>& Intervals() const noexcept { return m_intervals; }
    std::size_t MaxIntervals() const noexcept { return m_maxIntervals; }
    // Frames stamped before the first frame or beyond the last interval the cap allows.
    const IoInterval& Other() const noexcept { return m_other; }
    // The interval holding a time (ns after the first frame), when it is in the series.
    std::optional<std::size_t> IntervalAt(std::int64_t time) const noexcept;

private:
    std::int64_t m_interval;
    FrameMatch m_match;
    std::size_t m_maxIntervals;
    std::vector<IoInterval> m_intervals;
    IoInterval m_other;
};

}  // namespace stats
