// Client association: bind negotiation, request fragmentation, reply reassembly.
#include "rpc/Association.h"

#include <algorithm>
#include <array>

#include "rpc/AgentInterface.h"

namespace rpc {
namespace {

RpcStatus StatusFromBindNak(std::uint16_t reason) {
    switch (reason) {
        case kNakTemporaryCongestion:
        case kNakLocalLimitExceeded:
            return platform::kRpcServerTooBusy;
        case kNakProtocolVersionNotSupported:
            return platform::kRpcProtocolError;
        default:
            return platform::kRpcCallFailedDne;
    }
}

}  // namespace

RpcStatus StatusFromNet(platform::NetStatus status, RpcStatus onClose) {
    switch (status) {
        case platform::NetStatus::Ok:
            return platform::kRpcOk;
        case platform::NetStatus::TimedOut:
            return platform::kErrorTimeout;
        case platform::NetStatus::Aborted:
            return platform::kRpcCallCancelled;
        case platform::NetStatus::Refused:
            return platform::kRpcServerUnavailable;
        case platform::NetStatus::Closed:
        case platform::NetStatus::Failed:
            return onClose;
    }
    return onClose;
}

void Association::Close() noexcept {
    m_socket.Close();
    m_bound = false;
}

RpcStatus Association::Fail(RpcStatus status) {
    Close();
    return status;
}

RpcStatus Association::Connect(std::uint32_t address, std::uint16_t port, platform::Deadline deadline,
                               const platform::ManualResetEvent* abort) {
    platform::TcpDialer direct(address);
    return Connect(direct, port, deadline, abort);
}

RpcStatus Association::Connect(platform::StreamDialer& dialer, std::uint16_t port, platform::Deadline deadline,
                               const platform::ManualResetEvent* abort) {
    Close();
    const auto net = dialer.Dial(port, deadline, abort, m_socket);
    if (net == platform::NetStatus::Ok) return platform::kRpcOk;
    // A server that does not answer a connection in time is as unreachable as a refusing one.
    return Fail(net == platform::NetStatus::TimedOut ? platform::kRpcServerUnavailable
                                                     : StatusFromNet(net, platform::kRpcServerUnavailable));
}

void Association::Attach(platform::TcpSocket socket) noexcept {
    Close();
    m_socket = std::move(socket);
}

Association::Received Association::ReadPdu(const CallClock& clock, const platform::ManualResetEvent* abort,
                                           RpcStatus onClose) {
    Received r;
    const auto deadline = clock.Next();
    std::array<std::uint8_t, kHeaderSize> header{};
    auto net = m_socket.RecvExact(header, deadline, abort);
    if (net != platform::NetStatus::Ok) {
        r.status = Fail(StatusFromNet(net, onClose));
        return r;
    }
    const auto length = FragLengthOf(header);
    if (!length) {
        r.status = Fail(platform::kRpcProtocolError);
        return r;
    }
    std::vector<std::uint8_t> bytes(length.Value());
    std::copy(header.begin(), header.end(), bytes.begin());
    net = m_socket.RecvExact(std::span(bytes).subspan(kHeaderSize), deadline, abort);
    if (net != platform::NetStatus::Ok) {
        r.status = Fail(StatusFromNet(net, onClose));
        return r;
    }
    auto pdu = DecodePdu(bytes);
    if (!pdu) {
        r.status = Fail(platform::kRpcProtocolError);
        return r;
    }
    r.pdu = std::move(pdu).Value();
    return r;
}

bool Association::ShutDownByServer() const noexcept {
    std::array<std::uint8_t, kHeaderSize> header{};
    return m_socket.PeekWaiting(header) == header.size() && header[2] == static_cast<std::uint8_t>(PduType::Shutdown);
}

RpcStatus Association::Bind(const SyntaxId& interface, const CallClock& clock, const platform::ManualResetEvent* abort,
                            std::uint32_t assocGroup) {
    if (!m_socket.IsOpen()) return platform::kRpcServerUnavailable;
    BindBody bind;
    bind.maxXmitFrag = kOfferedFrag;
    bind.maxRecvFrag = kOfferedFrag;
    bind.assocGroup = assocGroup;
    bind.contexts.push_back({0, interface, {kNdrSyntax}});
    const std::uint32_t callId = m_nextCallId++;
    const auto bytes = EncodeBind(callId, bind);
    const auto net = m_socket.SendAll(bytes, clock.Next(), abort);
    if (net != platform::NetStatus::Ok) return Fail(StatusFromNet(net, platform::kRpcServerUnavailable));
    auto reply = ReadPdu(clock, abort, platform::kRpcServerUnavailable);
    if (reply.status != platform::kRpcOk) return reply.status;
    if (reply.pdu.header.callId != callId) return Fail(platform::kRpcProtocolError);
    if (const auto* nak = std::get_if<BindNakBody>(&reply.pdu.body)) return Fail(StatusFromBindNak(nak->rejectReason));
    const auto* ack = std::get_if<BindAckBody>(&reply.pdu.body);
    if (ack == nullptr || reply.pdu.header.type != PduType::BindAck || ack->results.empty())
        return Fail(platform::kRpcProtocolError);
    // Results are positional: the first answers our only context.
    const ContextResult& result = ack->results.front();
    if (result.result != ContextResult::kAcceptance) {
        if (result.reason == kReasonAbstractSyntaxNotSupported) return Fail(platform::kRpcUnknownIf);
        if (result.reason == kReasonTransferSyntaxesNotSupported) return Fail(platform::kRpcUnsupportedTransSyn);
        return Fail(platform::kRpcCallFailedDne);
    }
    if (result.transferSyntax != kNdrSyntax) return Fail(platform::kRpcUnsupportedTransSyn);
    // We send at most what the server receives; every peer takes 1432.
    m_maxXmitFrag = std::clamp(ack->maxRecvFrag, kMustAcceptFrag, kOfferedFrag);
    m_maxRecvFrag = std::clamp(ack->maxXmitFrag, kMustAcceptFrag, kOfferedFrag);
    m_assocGroup = ack->assocGroup;
    m_bound = true;
    return platform::kRpcOk;
}

CallReply Association::Call(std::uint16_t opnum, std::span<const std::uint8_t> stub, const CallClock& clock,
                            const platform::ManualResetEvent* abort) {
    CallReply out;
    if (!Usable()) {
        out.status = platform::kRpcCallFailedDne;
        return out;
    }
    const std::uint32_t callId = m_nextCallId++;
    for (const auto& fragment : EncodeRequestFragments(callId, 0, opnum, stub, m_maxXmitFrag)) {
        const auto net = m_socket.SendAll(fragment, clock.Next(), abort);
        if (net != platform::NetStatus::Ok) {
            out.status = Fail(StatusFromNet(net, platform::kRpcCallFailed));
            return out;
        }
    }
    Reassembler reply(m_maxReplyStub);
    for (;;) {
        auto received = ReadPdu(clock, abort, platform::kRpcCallFailed);
        if (received.status != platform::kRpcOk) {
            out.status = received.status;
            return out;
        }
        Pdu& pdu = received.pdu;
        if (pdu.header.callId != callId) {
            out.status = Fail(platform::kRpcProtocolError);
            return out;
        }
        if (const auto* fault = std::get_if<FaultBody>(&pdu.body)) {
            out.status = StatusFromFault(fault->status);
            return out;
        }
        if (pdu.header.type != PduType::Response) {
            out.status =
                Fail(pdu.header.type == PduType::Shutdown ? platform::kRpcCallFailed : platform::kRpcProtocolError);
            return out;
        }
        out.bigEndian = pdu.header.BigEndian();
        auto done = reply.Add(std::move(pdu));
        if (!done) {
            // Too large for any reply we expect is bad data; anything else broke the protocol.
            out.status = Fail(done.Err().kind == core::ErrorKind::Corrupt ? platform::kRpcBadStubData
                                                                          : platform::kRpcProtocolError);
            return out;
        }
        if (done.Value()) break;
    }
    out.stub = reply.TakeStub();
    return out;
}

}  // namespace rpc
