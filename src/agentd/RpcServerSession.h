// The server side of one connection-oriented DCE RPC association: bind and alter_context
// negotiate presentation contexts and fragment sizes, requests are reassembled (bounded),
// dispatched to the interface their context names, and answered with response fragments
// no larger than the client takes, or with a fault.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "AssociationGroups.h"
#include "RpcInterface.h"
#include "rpc/Pdu.h"

namespace agentd {

class RpcServerSession {
public:
    struct Limits {
        std::uint16_t maxRecvFrag = 5840;  // largest PDU taken from the client
        // Largest PDU sent, before the client's own limit: a client that receives 64 KiB PDUs
        // takes a peek in a fifteenth of the PDUs a classic one does.
        std::uint16_t maxXmitFrag = 65528;
        std::size_t maxRequestStub = 128 << 10;  // the largest call is a start with a 64 KiB configuration
    };
    // A call's response, sent fragment by fragment from the stub in place.
    struct Response {
        std::vector<rpc::ResponseFragment> fragments;
        SharedStub stub;
    };
    struct Output {
        std::vector<std::vector<std::uint8_t>> pdus;  // to send, in order
        bool close = false;                           // end the connection after sending them
        std::optional<Response> response;             // after the PDUs

        // Every PDU as bytes, the response's fragments included.
        std::vector<std::vector<std::uint8_t>> AllPdus() const;
    };

    // interfaces: what this connection serves (not owned; they outlive the session).
    // secondaryAddress: the port the client reached, as bind_ack names it.
    // groups: the listener's association groups, which a bind joins.
    RpcServerSession(std::vector<RpcInterface*> interfaces, std::string secondaryAddress, const Limits& limits,
                     AssociationGroups& groups);

    // Handles exactly one PDU (frag_length bytes, as the framer cut it).
    Output Handle(std::span<const std::uint8_t> bytes);

    std::uint16_t MaxRecvFrag() const noexcept { return m_limits.maxRecvFrag; }
    std::uint16_t NegotiatedXmitFrag() const noexcept { return m_xmitFrag; }
    // True once a bind or alter_context accepted a presentation context: a bind whose every
    // context was refused leaves the connection as good as unbound.
    bool Bound() const noexcept { return !m_contexts.empty(); }
    // True while a call is being collected fragment by fragment.
    bool CollectingCall() const noexcept { return m_call.has_value(); }

private:
    Output HandleBind(const rpc::Pdu& pdu, bool alter);
    Output HandleRequest(rpc::Pdu&& pdu);
    Output Dispatch(const rpc::PduHeader& first, std::uint16_t contextId, std::uint16_t opnum,
                    std::span<const std::uint8_t> stub);
    RpcInterface* InterfaceFor(const rpc::SyntaxId& abstract) const noexcept;

    std::vector<RpcInterface*> m_interfaces;
    std::string m_secondaryAddress;
    Limits m_limits;
    AssociationGroups& m_groups;
    bool m_associated = false;  // the bind is done; alter_context may follow
    std::uint16_t m_xmitFrag = rpc::kMustAcceptFrag;
    GroupRef m_group;
    std::map<std::uint16_t, RpcInterface*> m_contexts;
    std::optional<rpc::Reassembler> m_call;
};

}  // namespace agentd
