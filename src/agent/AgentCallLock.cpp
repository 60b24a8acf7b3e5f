// The agent-call lock, waited for in short slices so that a cancel ends the wait.
#include "agent/AgentCallLock.h"

#include <chrono>

namespace agent {

namespace {
constexpr std::chrono::milliseconds kSlice{20};
}  // namespace

std::timed_mutex& AgentCallMutex() {
    static std::timed_mutex mutex;
    return mutex;
}

AgentCallLock::AgentCallLock(const platform::ManualResetEvent* cancel) : m_lock(AgentCallMutex(), std::defer_lock) {
    while (cancel == nullptr || !cancel->IsSet()) {
        if (m_lock.try_lock_for(kSlice)) return;
    }
}

}  // namespace agent
