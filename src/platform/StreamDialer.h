// How a client reaches a port on its server's host: straight over TCP, or through a channel
// of an SSH connection to that host (SshConnection). Either way the result is a connected
// stream socket with the same deadlines and aborts.
#pragma once

#include <cstdint>
#include <string>

#include "platform/TcpSocket.h"

namespace platform {

class StreamDialer {
public:
    virtual ~StreamDialer() = default;
    // Ok with out connected; Refused when the port or the host cannot be reached; TimedOut,
    // Aborted as every socket operation.
    virtual NetStatus Dial(std::uint16_t port, Deadline deadline, const ManualResetEvent* abort, TcpSocket& out) = 0;
    // Why the last dial, or the stream it made, failed, in the words of what carries the
    // streams; empty when a socket status says it all.
    virtual std::string Failure() const { return {}; }
};

class TcpDialer final : public StreamDialer {
public:
    explicit TcpDialer(std::uint32_t address) : m_address(address) {}
    NetStatus Dial(std::uint16_t port, Deadline deadline, const ManualResetEvent* abort, TcpSocket& out) override {
        return out.Connect(m_address, port, deadline, abort);
    }

private:
    std::uint32_t m_address;
};

}  // namespace platform
