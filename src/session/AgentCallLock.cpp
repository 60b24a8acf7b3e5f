// The agent-call lock, waited for in short slices so that a cancel ends the wait.
#include "session/AgentCallLock.h"

#include <chrono>

#include "platform/TimedLock.h"

namespace session {

namespace {
constexpr std::chrono::milliseconds kSlice{20};
}  // namespace

std::timed_mutex& AgentCallMutex() {
    static std::timed_mutex mutex;
    return mutex;
}

AgentCallLock::AgentCallLock(const platform::ManualResetEvent* cancel) {
    while (cancel == nullptr || !cancel->IsSet()) {
        if (platform::TryLockFor(AgentCallMutex(), kSlice)) {
            m_lock = std::unique_lock(AgentCallMutex(), std::adopt_lock);
            return;
        }
    }
}

}  // namespace session
