// Waiting for a timed mutex with a time-out measured on the steady clock. The wait itself
// is made of short pthread_mutex_timedlock slices on the system clock: std::timed_mutex's
// steady-clock waits become pthread_mutex_clocklock, which ThreadSanitizer does not see, so
// it would lose track of who holds the lock. A change of the system time moves one slice at
// most.
#pragma once

#include <algorithm>
#include <chrono>

namespace platform {

template <class TimedMutex>
bool TryLockFor(TimedMutex& mutex, std::chrono::steady_clock::duration timeout) {
    constexpr std::chrono::steady_clock::duration kSlice = std::chrono::milliseconds(50);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left =
            std::max(deadline - std::chrono::steady_clock::now(), std::chrono::steady_clock::duration::zero());
        const auto slice = std::chrono::duration_cast<std::chrono::system_clock::duration>(std::min(left, kSlice));
        if (mutex.try_lock_until(std::chrono::system_clock::now() + slice)) return true;
        if (left == std::chrono::steady_clock::duration::zero()) return false;
    }
}

}  // namespace platform
