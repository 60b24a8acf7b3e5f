// One client association over TCP: connect, bind one interface with NDR, then calls.
// Replies are read PDU by PDU by their frag_length and reassembled with a bound; any
// failure comes back as the status a Windows client would see.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/TcpSocket.h"
#include "rpc/Pdu.h"
#include "rpc/RpcStatus.h"
#include "rpc/Uuid.h"

namespace rpc {

inline constexpr std::uint16_t kOfferedFrag = 4280;

struct CallReply {
    RpcStatus status = kRpcOk;
    std::vector<std::uint8_t> stub;
    bool bigEndian = false;  // the sender's integer representation, for the NDR reader
};

class Association {
public:
    explicit Association(std::size_t maxReplyStub) : m_maxReplyStub(maxReplyStub) {}

    RpcStatus Connect(std::uint32_t address, std::uint16_t port, platform::Deadline deadline,
                      const platform::ManualResetEvent* abort);
    // Takes over a stream that is already connected (a socket pair in the fuzzer).
    void Attach(platform::TcpSocket socket) noexcept;
    RpcStatus Bind(const SyntaxId& interface, platform::Deadline deadline, const platform::ManualResetEvent* abort);
    CallReply Call(std::uint16_t opnum, std::span<const std::uint8_t> stub, platform::Deadline deadline,
                   const platform::ManualResetEvent* abort);

    // False once the stream can no longer be trusted (closed, timed out, garbled).
    bool Usable() const noexcept { return m_socket.IsOpen() && m_bound; }
    std::uint16_t MaxXmitFrag() const noexcept { return m_maxXmitFrag; }
    std::uint16_t MaxRecvFrag() const noexcept { return m_maxRecvFrag; }
    void Close() noexcept;

private:
    struct Received {
        RpcStatus status = kRpcOk;
        Pdu pdu;
    };
    Received ReadPdu(platform::Deadline deadline, const platform::ManualResetEvent* abort, RpcStatus onClose);
    RpcStatus Fail(RpcStatus status);  // closes the stream and returns status

    platform::TcpSocket m_socket;
    std::size_t m_maxReplyStub;
    bool m_bound = false;
    std::uint32_t m_nextCallId = 1;
    std::uint16_t m_maxXmitFrag = kMustAcceptFrag;
    std::uint16_t m_maxRecvFrag = kOfferedFrag;
};

// What a failed socket operation means to the caller.
RpcStatus StatusFromNet(platform::NetStatus status, RpcStatus onClose);

}  // namespace rpc
