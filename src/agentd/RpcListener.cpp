// POSIX sockets under the RPC server: accept loop with the allow-list and the caps,
// per-connection threads with bind and PDU deadlines, replies sent from their stubs in place.
#include "RpcListener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstring>

#include "FreedMemory.h"
#include "Log.h"
#include "rpc/Pdu.h"

namespace agentd {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kAcceptPollMs = 200;
constexpr int kBacklog = 128;
constexpr std::size_t kReadChunk = 16 * 1024;  // requests are small; a connection's buffer stays so
constexpr std::size_t kIovecBatch = 1024;      // IOV_MAX on Linux
// A peer that vanished without a word is noticed after about two minutes.
constexpr int kKeepIdleSeconds = 60;
constexpr int kKeepIntervalSeconds = 10;
constexpr int kKeepCount = 6;

std::atomic<std::uint64_t> g_nextConnection{1};

core::Error SocketError(const std::string& what) {
    return core::Fail(core::ErrorKind::Io, what + ": " + std::strerror(errno));
}

sockaddr* Generic(sockaddr_in& address) { return static_cast<sockaddr*>(static_cast<void*>(&address)); }

// Waits for the socket to become ready until the deadline (none: Clock::time_point::max());
// false on time-out or error.
bool WaitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        int ms = -1;
        if (deadline != Clock::time_point::max()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            ms = static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
        }
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, ms);
        if (r < 0 && errno == EINTR) continue;
        return r > 0;
    }
}

// Sends every part in order, as many at once as one sendmsg takes; a peer that takes
// nothing for `stall` is given up.
bool SendParts(int fd, std::vector<std::span<const std::uint8_t>> parts, std::chrono::milliseconds stall) {
    std::size_t next = 0;
    while (next < parts.size()) {
        std::array<iovec, kIovecBatch> vectors{};
        std::size_t n = 0;
        for (std::size_t i = next; i < parts.size() && n < vectors.size(); ++i, ++n) {
            // sendmsg only reads through iov_base; the cast drops nothing it writes.
            vectors[n].iov_base = const_cast<std::uint8_t*>(parts[i].data());
            vectors[n].iov_len = parts[i].size();
        }
        msghdr message{};
        message.msg_iov = vectors.data();
        message.msg_iovlen = n;
        const ssize_t sent = ::sendmsg(fd, &message, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0) {
            if (errno == EINTR) continue;
            if ((errno == EAGAIN || errno == EWOULDBLOCK) && WaitFor(fd, POLLOUT, Clock::now() + stall)) continue;
            return false;
        }
        auto left = static_cast<std::size_t>(sent);
        while (next < parts.size() && left >= parts[next].size()) left -= parts[next++].size();
        if (left > 0) parts[next] = parts[next].subspan(left);
    }
    return true;
}

// Tells the client of an idle connection that the agent closes it, so that its next call
// opens a new one instead of failing; a connection that merely breaks says nothing.
void AskToClose(int fd) {
    const auto pdu = rpc::EncodeShutdown();
    [[maybe_unused]] const ssize_t sent = ::send(fd, pdu.data(), pdu.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

void KeepAlive(int fd) {
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &one, sizeof one);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &kKeepIdleSeconds, sizeof kKeepIdleSeconds);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &kKeepIntervalSeconds, sizeof kKeepIntervalSeconds);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &kKeepCount, sizeof kKeepCount);
}

std::string Seconds(std::chrono::milliseconds d) {
    return d.count() % 1000 == 0 ? std::to_string(d.count() / 1000) + " s" : std::to_string(d.count()) + " ms";
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
    if (::bind(fd, Generic(addr), sizeof addr) != 0 || ::listen(fd, kBacklog) != 0) {
        auto error = SocketError("listen on " + address + ":" + std::to_string(port));
        ::close(fd);
        return error;
    }
    socklen_t length = sizeof addr;
    ::getsockname(fd, Generic(addr), &length);
    return std::unique_ptr<RpcListener>(new RpcListener(fd, ntohs(addr.sin_port), std::move(factory), options));
}

RpcListener::RpcListener(int fd, std::uint16_t port, InterfaceFactory factory, const Options& options)
    : m_fd(fd),
      m_port(port),
      m_factory(std::move(factory)),
      m_options(options) {}

RpcListener::~RpcListener() { Stop(); }

void RpcListener::Serve() {
    if (!m_acceptThread.joinable() && !m_stop.load()) m_acceptThread = std::thread([this] { AcceptLoop(); });
}

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
        if (!WaitFor(m_fd, POLLIN, Clock::now() + std::chrono::milliseconds(kAcceptPollMs))) continue;
        sockaddr_in peer{};
        socklen_t length = sizeof peer;
        const int fd = ::accept4(m_fd, Generic(peer), &length, SOCK_CLOEXEC);
        if (fd < 0) continue;
        sockaddr_in local{};
        length = sizeof local;
        ::getsockname(fd, Generic(local), &length);
        ConnectionInfo info;
        info.id = g_nextConnection.fetch_add(1);
        info.localAddress = ntohl(local.sin_addr.s_addr);
        info.localPort = ntohs(local.sin_port);
        info.peerAddress = ntohl(peer.sin_addr.s_addr);
        info.peerPort = ntohs(peer.sin_port);
        Admit(fd, info);
    }
}

RpcListener::Connection* RpcListener::MakesRoom(const ConnectionInfo* sameSource) {
    // Never bound first, then bound without a snapper, then the rest; the least recently active first.
    auto rank = [](const Connection& c) {
        const int tier = !c.bound.load() ? 0 : !c.holds.load() ? 1 : 2;
        return std::pair(tier, c.lastActive.load());
    };
    Connection* chosen = nullptr;
    for (auto& c : m_connections) {
        if (c.done.load() || c.evicted.load() || c.busy.load()) continue;
        if (sameSource != nullptr && c.info.peerAddress != sameSource->peerAddress) continue;
        if (chosen == nullptr || rank(c) < rank(*chosen)) chosen = &c;
    }
    return chosen;
}

void RpcListener::Admit(int fd, const ConnectionInfo& info) {
    const std::string who = m_options.name + ": connection from " + FormatPeer(info.peerAddress, info.peerPort);
    if (!m_options.allow.Allows(info.peerAddress)) {
        Log(who + " refused: not in the allow-list (" + m_options.allow.Describe() + ")");
        ::close(fd);
        return;
    }
    std::lock_guard lock(m_mutex);
    if (m_stop.load()) {
        ::close(fd);
        return;
    }
    std::size_t total = 0;
    std::size_t fromSource = 0;
    for (const auto& c : m_connections) {
        if (c.done.load() || c.evicted.load()) continue;
        ++total;
        if (c.info.peerAddress == info.peerAddress) ++fromSource;
    }
    Connection* victim = nullptr;
    const bool sourceFull = fromSource >= m_options.maxPerSource;
    if (sourceFull)
        victim = MakesRoom(&info);
    else if (total >= m_options.maxConnections)
        victim = MakesRoom(nullptr);
    if ((sourceFull || total >= m_options.maxConnections) && victim == nullptr) {
        Log(who + " refused: " +
            (sourceFull ? std::to_string(m_options.maxPerSource) + " connections from that address"
                        : std::to_string(m_options.maxConnections) + " connections") +
            " are open, each in the middle of a call");
        ::close(fd);  // the client sees the connection end at once
        return;
    }
    if (victim != nullptr) {
        victim->evicted = true;
        AskToClose(victim->fd);
        ::shutdown(victim->fd, SHUT_RDWR);
        const auto idle = std::chrono::duration_cast<std::chrono::seconds>(
            Clock::now() - Clock::time_point(Clock::duration(victim->lastActive.load())));
        Log(m_options.name + ": connection from " + FormatPeer(victim->info.peerAddress, victim->info.peerPort) +
            " closed to make room: " +
            (!victim->bound.load() ? std::string("it never bound")
                                   : "it was idle for " + std::to_string(idle.count()) + " s" +
                                         (victim->holds.load() ? "; its snappers wait for its client" : "")));
    }
    KeepAlive(fd);
    Log(who + " accepted");
    Connection& c = m_connections.emplace_back();
    c.fd = fd;
    c.info = info;
    c.accepted = Clock::now();
    c.lastActive = c.accepted.time_since_epoch().count();
    c.thread = std::thread([this, &c] {
        Serve(c);
        c.done = true;
    });
}

void RpcListener::Serve(Connection& connection) {
    const int fd = connection.fd;
    const ConnectionInfo& info = connection.info;
    const std::string who = m_options.name + ": connection from " + FormatPeer(info.peerAddress, info.peerPort);
    std::string why = "closed by the client";
    {
        auto interfaces = m_factory(info);
        std::vector<RpcInterface*> served;
        for (auto& i : interfaces) served.push_back(i.get());
        RpcServerSession session(served, std::to_string(info.localPort), m_options.limits, m_groups);
        PduFramer framer(m_options.limits.maxRecvFrag);
        std::vector<std::uint8_t> chunk(kReadChunk);
        const auto bindBy = connection.accepted + m_options.bindTimeout;
        auto pduBy = Clock::time_point::max();
        auto idleBy = Clock::time_point::max();

        while (!m_stop.load()) {
            auto deadline = session.Bound() ? Clock::time_point::max() : bindBy;
            if (framer.Buffered() > 0)
                deadline = std::min(deadline, pduBy);
            else if (session.Bound())
                deadline = std::min(deadline, idleBy);
            if (!WaitFor(fd, POLLIN, deadline)) {
                if (m_stop.load() || connection.evicted) break;
                why = !session.Bound()        ? "no bind within " + Seconds(m_options.bindTimeout)
                      : framer.Buffered() > 0 ? "a PDU did not arrive whole within " + Seconds(m_options.pduTimeout)
                                              : "idle for " + Seconds(m_options.idleTimeout);
                if (session.Bound() && framer.Buffered() == 0) AskToClose(fd);
                break;
            }
            const ssize_t n = ::recv(fd, chunk.data(), chunk.size(), 0);
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            if (n <= 0) break;
            const auto now = Clock::now();
            connection.lastActive = now.time_since_epoch().count();
            if (framer.Buffered() == 0) pduBy = now + m_options.pduTimeout;
            framer.Append(std::span<const std::uint8_t>(chunk).first(static_cast<std::size_t>(n)));
            bool close = false;
            while (!close) {
                auto pdu = framer.Next();
                if (!pdu) {
                    why = "protocol error: " + pdu.Err().text;
                    close = true;
                    break;
                }
                if (pdu.Value().empty()) break;
                // The rest of what arrived starts the next PDU now.
                pduBy = now + m_options.pduTimeout;
                connection.busy = true;
                const auto out = session.Handle(pdu.Value());
                connection.busy = false;
                connection.bound = session.Bound();
                connection.holds =
                    std::any_of(interfaces.begin(), interfaces.end(), [](const auto& i) { return i->HoldsState(); });
                std::vector<std::span<const std::uint8_t>> parts;
                for (const auto& reply : out.pdus) parts.emplace_back(reply);
                if (out.response) {
                    const auto stub = out.response->stub->Bytes();
                    for (const auto& f : out.response->fragments) {
                        parts.emplace_back(f.header);
                        parts.push_back(stub.subspan(f.offset, f.length));
                    }
                }
                if (!SendParts(fd, std::move(parts), m_options.sendTimeout)) {
                    why = "the client stopped taking a reply";
                    close = true;
                    break;
                }
                for (auto& i : interfaces) i->ReplySent();
                if (out.close) {
                    why = "closed after a protocol error";
                    close = true;
                }
            }
            if (close) break;
            if (m_options.idleTimeout.count() > 0) idleBy = Clock::now() + m_options.idleTimeout;
        }
        if (m_stop.load()) why = "closed: the agent is stopping";
        if (connection.evicted) why.clear();  // already logged when it was chosen
    }  // the interfaces end here: a connection's snappers are handed to the grace period
    if (!why.empty()) Log(who + " " + why);
    GiveBackFreedMemory();
}

}  // namespace agentd
