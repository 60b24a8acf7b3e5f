// An event that stays set until reset, waitable with a time-out and pollable beside a
// socket, so that every blocking wait in the program can be interrupted.
#pragma once

#include <chrono>
#include <cstddef>
#include <initializer_list>
#include <mutex>
#include <optional>

namespace platform {

class ManualResetEvent {
public:
    explicit ManualResetEvent(bool initiallySet = false);
    ~ManualResetEvent();
    ManualResetEvent(const ManualResetEvent&) = delete;
    ManualResetEvent& operator=(const ManualResetEvent&) = delete;

    void Set();
    void Reset();
    bool IsSet() const;
    // True when the event is (or becomes) set within the time-out.
    bool Wait(std::chrono::milliseconds timeout) const;
    // Readable while the event is set; for poll() beside other descriptors.
    int PollFd() const noexcept { return m_fd; }

private:
    int m_fd = -1;
    mutable std::mutex m_mutex;
    bool m_set = false;
};

// Waits until one of the events is set, or the time-out passes (nullopt: no time-out).
// Returns the index of the first event found set, nullopt on time-out.
std::optional<std::size_t> WaitAny(std::initializer_list<const ManualResetEvent*> events,
                                   std::optional<std::chrono::milliseconds> timeout);

}  // namespace platform
