// One client association over TCP: connect, bind one interface with NDR, then calls.
// Replies are read PDU by PDU by their frag_length and reassembled with a bound; any
// failure comes back as the status a Windows client would see.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/StreamDialer.h"
#include "platform/TcpSocket.h"
#include "rpc/Pdu.h"
#include "rpc/RpcStatus.h"
#include "rpc/Uuid.h"

namespace rpc {

// The largest fragment offered at bind, each way: a peek of megabytes then comes in a few
// dozen PDUs, not hundreds. A peer that takes less says so in its bind ack, and every call
// follows what it said.
inline constexpr std::uint16_t kOfferedFrag = 65528;

// When a call gives up: when the next PDU does not arrive (or cannot be sent) within the
// progress window, or when the whole call is not done by the cap. A large reply over a
// slow link is not failed while its fragments keep coming.
struct CallClock {
    CallClock(platform::Deadline fixed) : cap(fixed) {}  // NOLINT(google-explicit-constructor): one fixed deadline
    CallClock(std::chrono::milliseconds window, platform::Deadline overall) : progress(window), cap(overall) {}
    // The deadline of the next PDU to send or receive.
    platform::Deadline Next() const {
        if (progress.count() <= 0) return cap;
        return std::min(cap, std::chrono::steady_clock::now() + progress);
    }
    std::chrono::milliseconds progress{0};  // 0: only the cap
    platform::Deadline cap;
};

struct CallReply {
    RpcStatus status = platform::kRpcOk;
    std::vector<std::uint8_t> stub;
    bool bigEndian = false;  // the sender's integer representation, for the NDR reader
};

class Association {
public:
    explicit Association(std::size_t maxReplyStub) : m_maxReplyStub(maxReplyStub) {}

    RpcStatus Connect(std::uint32_t address, std::uint16_t port, platform::Deadline deadline,
                      const platform::ManualResetEvent* abort);
    // The same through whatever reaches the server's host (a channel of an SSH connection).
    RpcStatus Connect(platform::StreamDialer& dialer, std::uint16_t port, platform::Deadline deadline,
                      const platform::ManualResetEvent* abort);
    // Takes over a stream that is already connected (a socket pair in the fuzzer).
    void Attach(platform::TcpSocket socket) noexcept;
    // assocGroup: the association group to come back into (what an earlier bind_ack named), 0 for a new one.
    RpcStatus Bind(const SyntaxId& interface, const CallClock& clock, const platform::ManualResetEvent* abort,
                   std::uint32_t assocGroup = 0);
    CallReply Call(std::uint16_t opnum, std::span<const std::uint8_t> stub, const CallClock& clock,
                   const platform::ManualResetEvent* abort);

    // False once the stream can no longer be trusted (closed, timed out, garbled).
    bool Usable() const noexcept { return m_socket.IsOpen() && m_bound; }
    // Between calls: the server asked to close the association (a shutdown PDU), as a server
    // does when it makes room of idle connections. A connection that merely ended is not
    // this: the next call fails and says so.
    bool ShutDownByServer() const noexcept;
    // The association group the server put this association into.
    std::uint32_t AssocGroup() const noexcept { return m_assocGroup; }
    std::uint16_t MaxXmitFrag() const noexcept { return m_maxXmitFrag; }
    std::uint16_t MaxRecvFrag() const noexcept { return m_maxRecvFrag; }
    void Close() noexcept;

private:
    struct Received {
        RpcStatus status = platform::kRpcOk;
        Pdu pdu;
    };
    Received ReadPdu(const CallClock& clock, const platform::ManualResetEvent* abort, RpcStatus onClose);
    RpcStatus Fail(RpcStatus status);  // closes the stream and returns status

    platform::TcpSocket m_socket;
    std::size_t m_maxReplyStub;
    bool m_bound = false;
    std::uint32_t m_nextCallId = 1;
    std::uint16_t m_maxXmitFrag = kMustAcceptFrag;
    std::uint16_t m_maxRecvFrag = kOfferedFrag;
    std::uint32_t m_assocGroup = 0;
};

// What a failed socket operation means to the caller: a time-out is 1460, an abort 1818.
RpcStatus StatusFromNet(platform::NetStatus status, RpcStatus onClose);

}  // namespace rpc
