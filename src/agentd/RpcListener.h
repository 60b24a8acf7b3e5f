// A TCP listener that serves connection-oriented DCE RPC: one thread per connection, a
// bounded number of them, each fed PDU by PDU through a framer and a server session.
// Connections idle beyond a limit, or stalled in the middle of a PDU, are dropped.
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

#include "RpcInterface.h"
#include "PduFramer.h"
#include "RpcServerSession.h"
#include "core/Result.h"

namespace agentd {

struct ConnectionInfo {
    std::uint32_t localAddress = 0;  // IPv4, host order: the address the client reached
    std::uint16_t localPort = 0;
};

class RpcListener {
public:
    // Makes the interfaces one new connection serves; they live as long as the connection.
    using InterfaceFactory = std::function<std::vector<std::unique_ptr<RpcInterface>>(const ConnectionInfo&)>;

    struct Options {
        std::size_t maxConnections = 64;
        std::chrono::milliseconds idleTimeout{std::chrono::minutes(10)};  // between calls
        std::chrono::milliseconds ioTimeout{std::chrono::seconds(30)};    // within a PDU, and to send one
        RpcServerSession::Limits limits;
    };

    // Binds address:port (port 0: any free port) and starts accepting.
    static core::Result<std::unique_ptr<RpcListener>> Open(const std::string& address, std::uint16_t port,
                                                            InterfaceFactory factory, const Options& options);
    ~RpcListener();
    RpcListener(const RpcListener&) = delete;
    RpcListener& operator=(const RpcListener&) = delete;

    std::uint16_t Port() const noexcept { return m_port; }
    std::size_t ActiveConnections();
    // Stops accepting, ends every connection and waits for their threads.
    void Stop();

private:
    struct Connection {
        int fd = -1;
        std::thread thread;
        std::atomic<bool> done{false};
    };

    RpcListener(int fd, std::uint16_t port, InterfaceFactory factory, const Options& options);
    void AcceptLoop();
    void Serve(Connection& connection);
    void Reap(bool all);

    int m_fd;
    std::uint16_t m_port;
    InterfaceFactory m_factory;
    Options m_options;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::list<Connection> m_connections;
    std::thread m_acceptThread;
};

}  // namespace agentd
