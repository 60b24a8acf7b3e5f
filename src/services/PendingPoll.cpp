// Bounded polling of a pending service state.
#include "services/PendingPoll.h"

namespace services {

PendingPoll::PendingPoll(CSrvItem& item, std::uint32_t pendingState, PollClock& clock, std::chrono::milliseconds bound)
    : m_item(item),
      m_pending(pendingState),
      m_clock(clock),
      m_deadline(clock.Now() + bound) {}

bool PendingPoll::Step() {
    m_item.Refresh();
    if (m_pending == platform::kStateStartPending && m_item.CurrentState() == platform::kStateRunning) {
        if (!m_settling) {
            m_settling = true;
            m_settledAt = m_clock.Now() + kStartSettle;
        }
        return m_clock.Now() < m_settledAt;
    }
    if (m_item.CurrentState() != m_pending) return false;
    if (m_clock.Now() >= m_deadline) {
        m_timedOut = true;
        return false;
    }
    return true;
}

}  // namespace services
