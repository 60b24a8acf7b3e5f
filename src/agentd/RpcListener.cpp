// POSIX sockets under the RPC server: accept loop, per-connection threads, bounded waits.
#include "RpcListener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace agentd {

namespace {

constexpr int kAcceptPollMs = 200;
constexpr int kBacklog = 64;
constexpr std::size_t kReadChunk = 16 * 1024;

core::Error SocketError(const std::string& what) {
    return core::Fail(core::ErrorKind::Io, what + ": " + std::strerror(errno));
}

int PollMs(std::chrono::milliseconds timeout) {
    return static_cast<int>(std::min<std::chrono::milliseconds::rep>(timeout.count(), INT32_MAX));
}

// Waits for the socket to become readable or writable; false on time-out or error.
bool WaitFor(int fd, short events, std::chrono::milliseconds timeout) {
    pollfd p{fd, events, 0};
    int r;
    do {
        r = ::poll(&p, 1, PollMs(timeout));
    } while (r < 0 && errno == EINTR);
    return r > 0;
}

bool SendAll(int fd, std::span<const std::uint8_t> bytes, std::chrono::milliseconds timeout) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        if (!WaitFor(fd, POLLOUT, timeout)) return false;
        const auto rest = bytes.subspan(sent);
        const ssize_t n = ::send(fd, rest.data(), rest.size(), MSG_NOSIGNAL);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

core::Result<std::unique_ptr<RpcListener>> RpcListener::Open(const std::string& address, std::uint16_t port,
                                                             InterfaceFactory factory, const Options& options) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    if (::inet_pton(AF_INET, address.c_str(), &addr.sin_addr) != 1)
        return core::Fail(core::ErrorKind::Unsupported, "not an IPv4 address: " + address);
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return SocketError("socket");
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr* generic = static_cast<sockaddr*>(static_cast<void*>(&addr));
    if (::bind(fd, generic, sizeof addr) != 0 || ::listen(fd, kBacklog) != 0) {
        auto error = SocketError("listen on " + address + ":" + std::to_string(port));
        ::close(fd);
        return error;
    }
    socklen_t length = sizeof addr;
    ::getsockname(fd, generic, &length);
    std::unique_ptr<RpcListener> listener(new RpcListener(fd, ntohs(addr.sin_port), std::move(factory), options));
    listener->m_acceptThread = std::thread([l = listener.get()] { l->AcceptLoop(); });
    return listener;
}

RpcListener::RpcListener(int fd, std::uint16_t port, InterfaceFactory factory, const Options& options)
    : m_fd(fd), m_port(port), m_factory(std::move(factory)), m_options(options) {}

RpcListener::~RpcListener() { Stop(); }

void RpcListener::Stop() {
    if (m_stop.exchange(true)) return;
    if (m_acceptThread.joinable()) m_acceptThread.join();
    ::close(m_fd);
    {
        // Wakes every connection thread out of its wait; each closes nothing itself.
        std::lock_guard lock(m_mutex);
        for (auto& c : m_connections) ::shutdown(c.fd, SHUT_RDWR);
    }
    Reap(true);
}

std::size_t RpcListener::ActiveConnections() {
    Reap(false);
    std::lock_guard lock(m_mutex);
    return m_connections.size();
}

void RpcListener::Reap(bool all) {
    std::list<Connection> finished;
    {
        std::lock_guard lock(m_mutex);
        for (auto it = m_connections.begin(); it != m_connections.end();) {
            auto next = std::next(it);
            if (all || it->done.load()) finished.splice(finished.end(), m_connections, it);
            it = next;
        }
    }
    for (auto& c : finished) {
        if (c.thread.joinable()) c.thread.join();
        ::close(c.fd);
    }
}

void RpcListener::AcceptLoop() {
    while (!m_stop.load()) {
        Reap(false);
        if (!WaitFor(m_fd, POLLIN, std::chrono::milliseconds(kAcceptPollMs))) continue;
        const int fd = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        std::lock_guard lock(m_mutex);
        if (m_stop.load() || m_connections.size() >= m_options.maxConnections) {
            ::close(fd);  // over the limit: the client sees the connection end at once
            continue;
        }
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        Connection& c = m_connections.emplace_back();
        c.fd = fd;
        c.thread = std::thread([this, &c] {
            Serve(c);
            c.done = true;
        });
    }
}

void RpcListener::Serve(Connection& connection) {
    const int fd = connection.fd;
    sockaddr_in local{};
    socklen_t length = sizeof local;
    ::getsockname(fd, static_cast<sockaddr*>(static_cast<void*>(&local)), &length);
    const ConnectionInfo info{ntohl(local.sin_addr.s_addr), ntohs(local.sin_port)};

    auto interfaces = m_factory(info);
    std::vector<RpcInterface*> served;
    for (auto& i : interfaces) served.push_back(i.get());
    RpcServerSession session(served, std::to_string(info.localPort), m_options.limits);
    PduFramer framer(m_options.limits.maxRecvFrag);
    std::array<std::uint8_t, kReadChunk> chunk{};

    while (!m_stop.load()) {
        // Between PDUs a client may think; inside one it must keep sending.
        const auto wait = framer.Wanted() == rpc::kHeaderSize ? m_options.idleTimeout : m_options.ioTimeout;
        if (!WaitFor(fd, POLLIN, wait)) return;
        const ssize_t n = ::recv(fd, chunk.data(), chunk.size(), 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return;
        framer.Append(std::span<const std::uint8_t>(chunk).first(static_cast<std::size_t>(n)));
        for (;;) {
            auto pdu = framer.Next();
            if (!pdu) return;  // a header we cannot trust or a PDU beyond the limit
            if (pdu.Value().empty()) break;
            const auto out = session.Handle(pdu.Value());
            // One send for all fragments of a reply: a large peek is hundreds of them.
            std::vector<std::uint8_t> wire;
            for (const auto& reply : out.pdus) wire.insert(wire.end(), reply.begin(), reply.end());
            if (!SendAll(fd, wire, m_options.ioTimeout)) return;
            if (out.close) return;
        }
    }
}

}  // namespace agentd
