// Manual-reset event over an eventfd: set means the counter is non-zero.
#include "platform/ManualResetEvent.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <new>
#include <vector>

namespace platform {

ManualResetEvent::ManualResetEvent(bool initiallySet) : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (m_fd < 0) throw std::bad_alloc();  // out of descriptors: nothing sensible to run without it
    if (initiallySet) Set();
}

ManualResetEvent::~ManualResetEvent() { ::close(m_fd); }

void ManualResetEvent::Set() {
    std::scoped_lock lock(m_mutex);
    if (m_set) return;
    const std::uint64_t one = 1;
    while (::write(m_fd, &one, sizeof one) < 0 && errno == EINTR) {}
    m_set = true;
}

void ManualResetEvent::Reset() {
    std::scoped_lock lock(m_mutex);
    if (!m_set) return;
    std::uint64_t value = 0;
    while (::read(m_fd, &value, sizeof value) < 0 && errno == EINTR) {}
    m_set = false;
}

bool ManualResetEvent::IsSet() const {
    std::scoped_lock lock(m_mutex);
    return m_set;
}

bool ManualResetEvent::Wait(std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (IsSet()) return true;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p{m_fd, POLLIN, 0};
        const int ms = left.count() > 1000000 ? 1000000 : static_cast<int>(left.count());
        if (::poll(&p, 1, ms) < 0 && errno != EINTR) return IsSet();
    }
}

std::optional<std::size_t> WaitAny(std::initializer_list<const ManualResetEvent*> events,
                                   std::optional<std::chrono::milliseconds> timeout) {
    const auto deadline =
        timeout ? std::chrono::steady_clock::now() + *timeout : std::chrono::steady_clock::time_point::max();
    std::vector<pollfd> fds;
    fds.reserve(events.size());
    for (const ManualResetEvent* e : events) fds.push_back({e->PollFd(), POLLIN, 0});
    for (;;) {
        std::size_t i = 0;
        for (const ManualResetEvent* e : events) {
            if (e->IsSet()) return i;
            ++i;
        }
        int ms = -1;
        if (timeout) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return std::nullopt;
            ms = left.count() > 1000000 ? 1000000 : static_cast<int>(left.count());
        }
        if (::poll(fds.data(), fds.size(), ms) < 0 && errno != EINTR) return std::nullopt;
    }
}

}  // namespace platform
