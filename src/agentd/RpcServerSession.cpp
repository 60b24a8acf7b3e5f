// Server-side association state: context negotiation, fragment sizes, request
// reassembly and dispatch, faults.
#include "RpcServerSession.h"

#include <algorithm>

#include "rpc/AgentInterface.h"
#include "rpc/Ndr.h"
#include "rpc/RpcStatus.h"

namespace agentd {

namespace {

RpcServerSession::Output FaultAndClose(std::uint32_t callId) {
    return {{rpc::EncodeFault(callId, 0, rpc::kNcaProtoError, rpc::kFlagDidNotExecute)}, true, std::nullopt};
}

}  // namespace

RpcServerSession::RpcServerSession(std::vector<RpcInterface*> interfaces, std::string secondaryAddress,
                                   const Limits& limits, AssociationGroups& groups)
    : m_interfaces(std::move(interfaces)),
      m_secondaryAddress(std::move(secondaryAddress)),
      m_limits(limits),
      m_groups(groups) {}

RpcInterface* RpcServerSession::InterfaceFor(const rpc::SyntaxId& abstract) const noexcept {
    for (auto* i : m_interfaces) {
        const auto& ours = i->Syntax();
        if (ours.uuid == abstract.uuid && ours.major == abstract.major && abstract.minor <= ours.minor) return i;
    }
    return nullptr;
}

RpcServerSession::Output RpcServerSession::Handle(std::span<const std::uint8_t> bytes) {
    auto decoded = rpc::DecodePdu(bytes);
    if (!decoded) {
        // Nothing trustworthy to answer to; a call id if the header got that far.
        core::ByteReader in(bytes);
        in.Skip(12);
        const std::uint32_t callId = in.Le32();
        return FaultAndClose(in.Failed() ? 0 : callId);
    }
    rpc::Pdu pdu = std::move(decoded).Value();
    switch (pdu.header.type) {
        case rpc::PduType::Bind:
            return HandleBind(pdu, false);
        case rpc::PduType::AlterContext:
            if (!m_associated) return FaultAndClose(pdu.header.callId);
            return HandleBind(pdu, true);
        case rpc::PduType::Request:
            return HandleRequest(std::move(pdu));
        case rpc::PduType::Orphaned:
        case rpc::PduType::CoCancel:
            // The client gave up on the call being collected; forget it.
            if (m_call && m_call->Started() && m_call->FirstHeader().callId == pdu.header.callId) m_call.reset();
            return {};
        case rpc::PduType::Shutdown:
            return {{}, true, std::nullopt};
        default:
            return FaultAndClose(pdu.header.callId);
    }
}

RpcServerSession::Output RpcServerSession::HandleBind(const rpc::Pdu& pdu, bool alter) {
    const auto* bind = std::get_if<rpc::BindBody>(&pdu.body);
    if (bind == nullptr) return FaultAndClose(pdu.header.callId);
    if (!alter && m_associated) {
        // A second bind on one association is a protocol error.
        rpc::BindNakBody nak{rpc::kNakReasonNotSpecified, {}};
        return {{rpc::EncodeBindNak(pdu.header.callId, nak)}, true, std::nullopt};
    }
    if (pdu.header.minorVersion > 1 || bind->contexts.empty()) {
        rpc::BindNakBody nak{
            bind->contexts.empty() ? rpc::kNakReasonNotSpecified : rpc::kNakProtocolVersionNotSupported, {{5, 0}}};
        return {{rpc::EncodeBindNak(pdu.header.callId, nak)}, true, std::nullopt};
    }

    rpc::BindAckBody ack;
    if (!alter) {
        // Send at most what the client receives and we send; 1432 is always acceptable.
        m_xmitFrag = std::max(rpc::kMustAcceptFrag, std::min(bind->maxRecvFrag, m_limits.maxXmitFrag));
        m_group = m_groups.Join(bind->assocGroup);
        for (auto* i : m_interfaces) i->Associated(m_group, bind->assocGroup);
        ack.secondaryAddress = m_secondaryAddress;
    }
    ack.maxXmitFrag = m_xmitFrag;
    // Announce no more than the client sends; the framer still takes up to our own limit.
    ack.maxRecvFrag = std::max(rpc::kMustAcceptFrag, std::min(bind->maxXmitFrag, m_limits.maxRecvFrag));
    ack.assocGroup = m_group->id;
    // Results are positional: one per offered context, in the order offered.
    for (const auto& context : bind->contexts) {
        rpc::ContextResult result;
        RpcInterface* target = InterfaceFor(context.abstractSyntax);
        const bool ndr = std::find(context.transferSyntaxes.begin(), context.transferSyntaxes.end(), rpc::kNdrSyntax) !=
                         context.transferSyntaxes.end();
        if (target == nullptr || !ndr) {
            result.result = rpc::ContextResult::kProviderRejection;
            result.reason =
                target == nullptr ? rpc::kReasonAbstractSyntaxNotSupported : rpc::kReasonTransferSyntaxesNotSupported;
        } else {
            result.transferSyntax = rpc::kNdrSyntax;
            m_contexts[context.contextId] = target;
        }
        ack.results.push_back(result);
    }
    m_associated = true;
    return {
        {rpc::EncodeBindAck(pdu.header.callId, ack, alter ? rpc::PduType::AlterContextResp : rpc::PduType::BindAck)},
        false,
        std::nullopt};
}

RpcServerSession::Output RpcServerSession::HandleRequest(rpc::Pdu&& pdu) {
    const rpc::PduHeader header = pdu.header;
    if (!m_associated) return FaultAndClose(header.callId);
    if (!m_call) m_call.emplace(m_limits.maxRequestStub);
    auto complete = m_call->Add(std::move(pdu));
    if (!complete) {
        m_call.reset();
        return FaultAndClose(header.callId);
    }
    if (!complete.Value()) return {};
    const rpc::PduHeader first = m_call->FirstHeader();
    const std::uint16_t contextId = m_call->ContextId();
    const std::uint16_t opnum = m_call->Opnum();
    const std::vector<std::uint8_t> stub = m_call->TakeStub();
    m_call.reset();
    return Dispatch(first, contextId, opnum, stub);
}

RpcServerSession::Output RpcServerSession::Dispatch(const rpc::PduHeader& first, std::uint16_t contextId,
                                                    std::uint16_t opnum, std::span<const std::uint8_t> stub) {
    const auto found = m_contexts.find(contextId);
    if (found == m_contexts.end())
        return {{rpc::EncodeFault(first.callId, contextId, rpc::kNcaUnknownInterface, rpc::kFlagDidNotExecute)},
                false,
                std::nullopt};
    RpcReply reply = found->second->Call(opnum, stub, first.BigEndian());
    if ((first.flags & rpc::kFlagMaybe) != 0) return {};  // a maybe call wants no answer
    if (reply.fault != 0) {
        return {
            {rpc::EncodeFault(first.callId, contextId, reply.fault, reply.didNotExecute ? rpc::kFlagDidNotExecute : 0)},
            false,
            std::nullopt};
    }
    Output out;
    out.response = Response{rpc::PlanResponseFragments(first.callId, contextId, reply.stub->Bytes().size(), m_xmitFrag),
                            reply.stub};
    return out;
}

std::vector<std::vector<std::uint8_t>> RpcServerSession::Output::AllPdus() const {
    auto all = pdus;
    if (!response) return all;
    const auto stub = response->stub->Bytes();
    for (const auto& f : response->fragments) all.push_back(rpc::JoinFragment(f, stub));
    return all;
}

}  // namespace agentd
