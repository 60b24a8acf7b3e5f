// The process-wide lock around every call of SnapSnapperStartA, SnapSnapperStopA,
// SnapSnapperQueryA and SnapSnapperPeekA, whichever window and host makes it: at most one of
// them is in flight at a time. Waiting for it can be cancelled, so a window whose neighbour's
// agent hangs still closes.
#pragma once

#include <mutex>

#include "platform/ManualResetEvent.h"

namespace session {

std::timed_mutex& AgentCallMutex();

// Holds the lock from construction to destruction, unless cancel was (or became) set while
// it waited: then Owns() is false and the caller makes no call.
class AgentCallLock {
public:
    explicit AgentCallLock(const platform::ManualResetEvent* cancel);
    bool Owns() const noexcept { return m_lock.owns_lock(); }

private:
    std::unique_lock<std::timed_mutex> m_lock;
};

}  // namespace session
