// A TCP listener that serves connection-oriented DCE RPC: one thread per connection, each
// fed PDU by PDU through a framer and a server session.
//
// Nobody can lock the managers out: a peer outside the allow-list is closed before a byte is
// read; connections are capped per source address and in total, and when either cap is
// reached the connection that matters least makes room: one that never bound, else the one
// idle longest among those that hold no snapper, else the one idle longest (its snappers wait
// for its client, which comes back into its association group). Only a connection whose call
// is being carried out is never chosen. A connection must bind within a deadline, and every
// PDU must arrive whole within its own deadline (a trickle of bytes does not extend it). A
// bound connection may stay idle between calls as long as the peer lives (TCP keepalive
// finds peers that vanished) and nobody needs its room.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "AccessList.h"
#include "AssociationGroups.h"
#include "PduFramer.h"
#include "RpcInterface.h"
#include "RpcServerSession.h"
#include "core/Result.h"

namespace agentd {

struct ConnectionInfo {
    std::uint64_t id = 0;            // unique for the life of the process
    std::uint32_t localAddress = 0;  // IPv4, host order: the address the client reached
    std::uint16_t localPort = 0;
    std::uint32_t peerAddress = 0;  // IPv4, host order
    std::uint16_t peerPort = 0;
};

class RpcListener {
public:
    // Makes the interfaces one new connection serves; they live as long as the connection.
    using InterfaceFactory = std::function<std::vector<std::unique_ptr<RpcInterface>>(const ConnectionInfo&)>;

    struct Options {
        std::string name = "agent";  // in the log lines
        AccessList allow = AccessList::LoopbackOnly();
        std::size_t maxConnections = 64;
        std::size_t maxPerSource = 8;
        std::chrono::milliseconds bindTimeout{std::chrono::seconds(10)};  // from accept to a completed bind
        std::chrono::milliseconds pduTimeout{std::chrono::seconds(30)};   // from a PDU's first byte to its last
        std::chrono::milliseconds sendTimeout{std::chrono::seconds(30)};  // without progress while sending
        std::chrono::milliseconds idleTimeout{0};  // between calls of a bound connection; 0: no limit
        RpcServerSession::Limits limits;
    };

    // Binds address:port (port 0: any free port); Serve starts accepting.
    static core::Result<std::unique_ptr<RpcListener>> Open(const std::string& address, std::uint16_t port,
                                                           InterfaceFactory factory, const Options& options);
    ~RpcListener();
    RpcListener(const RpcListener&) = delete;
    RpcListener& operator=(const RpcListener&) = delete;

    void Serve();
    std::uint16_t Port() const noexcept { return m_port; }
    std::size_t ActiveConnections();
    // Stops accepting, ends every connection and waits for their threads.
    void Stop();

private:
    struct Connection {
        int fd = -1;
        ConnectionInfo info;
        std::chrono::steady_clock::time_point accepted;
        std::thread thread;
        std::atomic<bool> bound{false};
        std::atomic<bool> busy{false};   // a call is being carried out
        std::atomic<bool> holds{false};  // it holds a snapper
        std::atomic<std::chrono::steady_clock::rep> lastActive{0};
        std::atomic<bool> done{false};
        std::atomic<bool> evicted{false};
    };

    RpcListener(int fd, std::uint16_t port, InterfaceFactory factory, const Options& options);
    void AcceptLoop();
    void Admit(int fd, const ConnectionInfo& info);
    // The connection that makes room for a new one (from sameSource's address only, when
    // given), or nullptr when every one is in the middle of a call.
    Connection* MakesRoom(const ConnectionInfo* sameSource);
    void Serve(Connection& connection);
    void Reap(bool all);

    int m_fd;
    std::uint16_t m_port;
    InterfaceFactory m_factory;
    Options m_options;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::list<Connection> m_connections;
    AssociationGroups m_groups;
    std::thread m_acceptThread;
};

}  // namespace agentd
