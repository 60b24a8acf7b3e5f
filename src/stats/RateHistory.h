// Frames per second over the last minutes, from a running total read now and then (a live
// window's frame count at each poll): what the sparkline in its status bar draws. A total
// that grew over several seconds between two readings is spread evenly over them, so a
// late poll does not show as a spike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace stats {

class RateHistory {
public:
    explicit RateHistory(std::size_t seconds = 300) : m_seconds(seconds) {}

    // The total at a moment (milliseconds on a steady clock). A total below the last one
    // (another capture) starts the history over.
    void Sample(std::int64_t millis, std::uint64_t total);
    // Frames in each whole second, oldest first; the second now running is not among them.
    std::vector<double> PerSecond() const;
    // The latest whole second's rate; none before a second has passed.
    std::optional<double> Latest() const;

private:
    struct Reading {
        std::int64_t millis;
        std::uint64_t total;
    };
    std::size_t m_seconds;
    std::optional<Reading> m_last;
    std::deque<double> m_buckets;  // the last one is the second now running
    std::int64_t m_lastSecond = 0;  // the second of m_buckets.back()
};

}  // namespace stats
