// POSIX TCP sockets, non-blocking underneath, with poll() on the socket and the abort event.
#include "platform/TcpSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace platform {
namespace {

static_assert(sizeof(sockaddr) == sizeof(sockaddr_in));

sockaddr ToSockaddr(std::uint32_t address, std::uint16_t port) {
    sockaddr_in in{};
    in.sin_family = AF_INET;
    in.sin_port = htons(port);
    in.sin_addr.s_addr = htonl(address);
    sockaddr out{};
    std::memcpy(&out, &in, sizeof in);
    return out;
}

int OpenStreamSocket() { return ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0); }

// Waits until fd is ready for events, the deadline passes or abort is set.
NetStatus WaitOn(int fd, short events, Deadline deadline, const ManualResetEvent* abort) {
    for (;;) {
        if (abort != nullptr && abort->IsSet()) return NetStatus::Aborted;
        pollfd fds[2] = {{fd, events, 0}, {abort != nullptr ? abort->PollFd() : -1, POLLIN, 0}};
        const int ms = MillisecondsUntil(deadline);
        const int n = ::poll(fds, 2, ms);
        if (n < 0) {
            if (errno == EINTR) continue;
            return NetStatus::Failed;
        }
        if (fds[1].revents != 0) return NetStatus::Aborted;
        if (fds[0].revents != 0) return NetStatus::Ok;  // errors surface in the next call
        if (ms == 0) return NetStatus::TimedOut;
    }
}

}  // namespace

int MillisecondsUntil(Deadline deadline, int most) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, most));
}

std::optional<std::uint32_t> ParseIPv4(std::string_view text) {
    const std::string dotted(text);
    in_addr address{};
    if (::inet_pton(AF_INET, dotted.c_str(), &address) != 1) return std::nullopt;
    return ntohl(address.s_addr);
}

std::optional<std::uint32_t> ResolveIPv4(std::string_view host) {
    const std::string name(host);
    if (const auto dotted = ParseIPv4(name)) return dotted;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (name.empty() || ::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr)
        return std::nullopt;
    sockaddr_in in{};
    std::memcpy(&in, found->ai_addr, std::min<std::size_t>(sizeof in, found->ai_addrlen));
    ::freeaddrinfo(found);
    return ntohl(in.sin_addr.s_addr);
}

std::string FormatIPv4(std::uint32_t address) {
    return std::to_string(address >> 24) + '.' + std::to_string((address >> 16) & 0xFF) + '.' +
           std::to_string((address >> 8) & 0xFF) + '.' + std::to_string(address & 0xFF);
}

TcpSocket& TcpSocket::operator=(TcpSocket&& other) noexcept {
    if (this != &other) {
        Close();
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

void TcpSocket::Close() noexcept {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

NetStatus TcpSocket::Connect(std::uint32_t address, std::uint16_t port, Deadline deadline,
                             const ManualResetEvent* abort) {
    Close();
    m_fd = OpenStreamSocket();
    if (m_fd < 0) return NetStatus::Failed;
    const int one = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    const sockaddr sa = ToSockaddr(address, port);
    if (::connect(m_fd, &sa, sizeof sa) == 0) return NetStatus::Ok;
    if (errno != EINPROGRESS) {
        Close();
        return NetStatus::Refused;
    }
    const NetStatus ready = WaitOn(m_fd, POLLOUT, deadline, abort);
    if (ready != NetStatus::Ok) {
        Close();
        return ready;
    }
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
        Close();
        return NetStatus::Refused;
    }
    return NetStatus::Ok;
}

std::size_t TcpSocket::PeekWaiting(std::span<std::uint8_t> into) const noexcept {
    if (m_fd < 0 || into.empty()) return 0;
    const ssize_t n = ::recv(m_fd, into.data(), into.size(), MSG_PEEK | MSG_DONTWAIT);
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

NetStatus TcpSocket::SendAll(std::span<const std::uint8_t> bytes, Deadline deadline, const ManualResetEvent* abort) {
    if (m_fd < 0) return NetStatus::Closed;
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(m_fd, bytes.subspan(sent).data(), bytes.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const NetStatus ready = WaitOn(m_fd, POLLOUT, deadline, abort);
            if (ready != NetStatus::Ok) return ready;
            continue;
        }
        return errno == EPIPE || errno == ECONNRESET ? NetStatus::Closed : NetStatus::Failed;
    }
    return NetStatus::Ok;
}

NetStatus TcpSocket::RecvExact(std::span<std::uint8_t> out, Deadline deadline, const ManualResetEvent* abort) {
    if (m_fd < 0) return NetStatus::Closed;
    std::size_t got = 0;
    while (got < out.size()) {
        const ssize_t n = ::recv(m_fd, out.subspan(got).data(), out.size() - got, 0);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
            continue;
        }
        if (n == 0) return NetStatus::Closed;
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            const NetStatus ready = WaitOn(m_fd, POLLIN, deadline, abort);
            if (ready != NetStatus::Ok) return ready;
            continue;
        }
        return errno == ECONNRESET ? NetStatus::Closed : NetStatus::Failed;
    }
    return NetStatus::Ok;
}

NetStatus TcpListener::Listen(std::uint32_t address, std::uint16_t port) {
    Close();
    m_fd = OpenStreamSocket();
    if (m_fd < 0) return NetStatus::Failed;
    const int one = 1;
    ::setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    const sockaddr sa = ToSockaddr(address, port);
    if (::bind(m_fd, &sa, sizeof sa) != 0 || ::listen(m_fd, 64) != 0) {
        Close();
        return NetStatus::Failed;
    }
    sockaddr bound{};
    socklen_t length = sizeof bound;
    ::getsockname(m_fd, &bound, &length);
    sockaddr_in in{};
    std::memcpy(&in, &bound, sizeof in);
    m_port = ntohs(in.sin_port);
    return NetStatus::Ok;
}

std::optional<TcpSocket> TcpListener::Accept(Deadline deadline, const ManualResetEvent* abort) {
    if (m_fd < 0) return std::nullopt;
    for (;;) {
        const int fd = ::accept4(m_fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0) {
            const int one = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            return TcpSocket(fd);
        }
        if (errno == EINTR || errno == ECONNABORTED) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return std::nullopt;
        const NetStatus ready = WaitOn(m_fd, POLLIN, deadline, abort);
        if (ready != NetStatus::Ok) return std::nullopt;
    }
}

void TcpListener::Close() noexcept {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

}  // namespace platform
