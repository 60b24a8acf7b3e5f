// A TCP connection whose every operation has a deadline and can be aborted from another
// thread through a manual-reset event: nothing blocks for ever.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/ManualResetEvent.h"

namespace platform {

using Deadline = std::chrono::steady_clock::time_point;

// What is left of a wait until deadline, for poll(): rounded up, so that a wait that reports
// a time-out has really reached its deadline; never below 0 nor above most.
int MillisecondsUntil(Deadline deadline, int most = 1000000);

enum class NetStatus {
    Ok,
    TimedOut,
    Aborted,
    Closed,   // the peer closed the connection
    Refused,  // nothing listens there, or the host cannot be reached
    Failed,   // any other socket error
};

// A dotted IPv4 address as it is, else the first IPv4 address of a host-name lookup.
// The address comes back in host order.
std::optional<std::uint32_t> ResolveIPv4(std::string_view host);
// Four decimal numbers 0 to 255 without leading zeros, and nothing else: never octal or hex
// forms, never a name lookup. Host order.
std::optional<std::uint32_t> ParseIPv4(std::string_view text);
std::string FormatIPv4(std::uint32_t address);

class TcpSocket {
public:
    TcpSocket() = default;
    explicit TcpSocket(int fd) noexcept : m_fd(fd) {}
    ~TcpSocket() { Close(); }
    TcpSocket(TcpSocket&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    TcpSocket& operator=(TcpSocket&& other) noexcept;
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    NetStatus Connect(std::uint32_t address, std::uint16_t port, Deadline deadline, const ManualResetEvent* abort);
    NetStatus SendAll(std::span<const std::uint8_t> bytes, Deadline deadline, const ManualResetEvent* abort);
    // Fills all of out, however many recv() calls that takes.
    NetStatus RecvExact(std::span<std::uint8_t> out, Deadline deadline, const ManualResetEvent* abort);
    void Close() noexcept;
    bool IsOpen() const noexcept { return m_fd >= 0; }
    // Between exchanges: the bytes the peer has sent that nobody read yet, copied into `into`
    // and left where they are; how many. Waits for nothing.
    std::size_t PeekWaiting(std::span<std::uint8_t> into) const noexcept;
    int Fd() const noexcept { return m_fd; }

private:
    int m_fd = -1;
};

// A listening socket for servers and tests; Accept waits like every other operation.
class TcpListener {
public:
    TcpListener() = default;
    ~TcpListener() { Close(); }
    TcpListener(const TcpListener&) = delete;
    TcpListener& operator=(const TcpListener&) = delete;

    // Port 0 picks a free port; Port() tells which.
    NetStatus Listen(std::uint32_t address, std::uint16_t port);
    std::optional<TcpSocket> Accept(Deadline deadline, const ManualResetEvent* abort);
    std::uint16_t Port() const noexcept { return m_port; }
    void Close() noexcept;

private:
    int m_fd = -1;
    std::uint16_t m_port = 0;
};

}  // namespace platform
