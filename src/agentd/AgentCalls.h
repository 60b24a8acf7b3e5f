// The capture agent's seven procedures for one connection. Snappers belong to the client's
// session in the agent's snapper table: a connection that drops hands them to the grace
// period, one that closes its session stops them.
#pragma once

#include <chrono>
#include <optional>

#include <cstdint>
#include <span>
#include <vector>

#include "AgentService.h"
#include "RpcInterface.h"
#include "SnapperTable.h"

namespace agentd {

class AgentCalls final : public RpcInterface {
public:
    AgentCalls(AgentService& service, const Caller& caller) : m_service(service), m_caller(caller) {}
    ~AgentCalls() override;
    AgentCalls(const AgentCalls&) = delete;
    AgentCalls& operator=(const AgentCalls&) = delete;

    const rpc::SyntaxId& Syntax() const noexcept override;
    RpcReply Call(std::uint16_t opnum, std::span<const std::uint8_t> stub, bool bigEndian) override;
    void Associated(const GroupRef& group, std::uint32_t asked) override;
    bool HoldsState() const override;
    void ReplySent() override;

private:
    RpcReply Start(std::span<const std::uint8_t> stub, bool bigEndian);
    RpcReply Stop(std::span<const std::uint8_t> stub, bool bigEndian);
    RpcReply Query(std::span<const std::uint8_t> stub, bool bigEndian);
    RpcReply Peek(std::span<const std::uint8_t> stub, bool bigEndian);

    AgentService& m_service;
    Caller m_caller;
    // When the last peek's reply was sent: a client that peeks again soon after keeps up,
    // and its snapper packs ahead for it.
    bool m_peekSending = false;
    std::optional<std::chrono::steady_clock::time_point> m_peekSent;
};

}  // namespace agentd
