// The capture agent's seven procedures for one connection. The snappers started on a
// connection belong to it, so a manager that vanishes leaves nothing running.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <span>

#include "AgentService.h"
#include "CaptureEngine.h"
#include "RpcInterface.h"

namespace agentd {

class AgentCalls final : public RpcInterface {
public:
    explicit AgentCalls(AgentService& service) : m_service(service) {}
    ~AgentCalls() override;
    AgentCalls(const AgentCalls&) = delete;
    AgentCalls& operator=(const AgentCalls&) = delete;

    const rpc::SyntaxId& Syntax() const noexcept override;
    RpcReply Call(std::uint16_t opnum, std::span<const std::uint8_t> stub, bool bigEndian) override;

private:
    RpcReply Start(std::span<const std::uint8_t> stub, bool bigEndian);
    RpcReply Stop(std::span<const std::uint8_t> stub, bool bigEndian);
    RpcReply Query(std::span<const std::uint8_t> stub, bool bigEndian);
    RpcReply Peek(std::span<const std::uint8_t> stub, bool bigEndian);
    CaptureEngine* Find(std::uint32_t handle);

    AgentService& m_service;
    std::map<std::uint32_t, std::unique_ptr<CaptureEngine>> m_engines;
};

}  // namespace agentd
