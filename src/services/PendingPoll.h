// Following a service through the pending state a control leaves it in: its configuration
// and status are read again while it stays in that state, every interval, for at most a
// bound (30 s by default); after that the caller shows what the service reports. A start
// is watched a little longer once the service runs: a simple systemd service counts as
// running as soon as its process exists, and one whose program dies at once must not be
// left showing "Running". The clock is injected, so tests follow a poll without waiting.
#pragma once

#include <chrono>
#include <cstdint>

#include "services/CSrvItem.h"

namespace services {

class PollClock {
public:
    virtual ~PollClock() = default;
    virtual std::chrono::steady_clock::time_point Now() = 0;
};

class SteadyPollClock final : public PollClock {
public:
    std::chrono::steady_clock::time_point Now() override { return std::chrono::steady_clock::now(); }
};

class PendingPoll {
public:
    static constexpr std::chrono::milliseconds kInterval{100};
    static constexpr std::chrono::milliseconds kDefaultBound{30000};
    static constexpr std::chrono::milliseconds kStartSettle{1000};

    PendingPoll(CSrvItem& item, std::uint32_t pendingState, PollClock& clock,
                std::chrono::milliseconds bound = kDefaultBound);

    // Reads the item again (may throw CSrvBrowserException); true while it is still pending
    // and the bound has not passed, so the caller reads again after kInterval.
    bool Step();
    bool TimedOut() const noexcept { return m_timedOut; }
    CSrvItem& Item() noexcept { return m_item; }
    std::uint32_t PendingState() const noexcept { return m_pending; }

private:
    CSrvItem& m_item;
    std::uint32_t m_pending;
    PollClock& m_clock;
    std::chrono::steady_clock::time_point m_deadline;
    std::chrono::steady_clock::time_point m_settledAt{};  // set once a start is seen running
    bool m_settling = false;
    bool m_timedOut = false;
};

}  // namespace services
