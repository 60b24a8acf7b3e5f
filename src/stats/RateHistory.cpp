// Per-second rates from a sampled running total.
#include "stats/RateHistory.h"

#include <algorithm>

namespace stats {

namespace {
constexpr std::int64_t kSecond = 1000;

std::int64_t SecondOf(std::int64_t millis) { return millis >= 0 ? millis / kSecond : (millis - kSecond + 1) / kSecond; }
}  // namespace

void RateHistory::Sample(std::int64_t millis, std::uint64_t total) {
    // Longer apart than the history reaches: nothing of it would be left to draw.
    const bool longGap = m_last && SecondOf(millis) - m_lastSecond > static_cast<std::int64_t>(m_seconds);
    if (!m_last || total < m_last->total || millis < m_last->millis || longGap) {
        m_last = Reading{millis, total};
        m_buckets.assign(1, 0.0);
        m_lastSecond = SecondOf(millis);
        return;
    }
    const double grown = static_cast<double>(total - m_last->total);
    const std::int64_t from = m_last->millis;
    const std::int64_t span = millis - from;
    for (std::int64_t second = SecondOf(from); second <= SecondOf(millis); ++second) {
        if (second > m_lastSecond) {
            m_buckets.push_back(0.0);
            m_lastSecond = second;
            if (m_buckets.size() > m_seconds + 1) m_buckets.pop_front();
        }
        if (span == 0) {
            m_buckets.back() += grown;
            continue;
        }
        const std::int64_t overlap = std::min(millis, (second + 1) * kSecond) - std::max(from, second * kSecond);
        m_buckets.back() += grown * static_cast<double>(overlap) / static_cast<double>(span);
    }
    m_last = Reading{millis, total};
}

std::vector<double> RateHistory::PerSecond() const {
    if (m_buckets.size() < 2) return {};
    return {m_buckets.begin(), m_buckets.end() - 1};
}

std::optional<double> RateHistory::Latest() const {
    if (m_buckets.size() < 2) return std::nullopt;
    return m_buckets[m_buckets.size() - 2];
}

}  // namespace stats
