// palometsrv's procedures and endpoint mapper served from this process on one free
// loopback port, counting every call; the session procedures can be made to answer with a
// chosen status.
#pragma once

#include <array>
#include <atomic>
#include <memory>

#include "agentd/AgentCalls.h"
#include "agentd/EndpointMapper.h"
#include "agentd/RpcListener.h"
#include "rpc/AgentInterface.h"
#include "rpc/Ndr.h"

namespace agent::test {

class InProcessAgent {
public:
    explicit InProcessAgent(agentd::AgentConfig config) : m_service(std::move(config)) {
        auto listener = agentd::RpcListener::Open(
            "127.0.0.1", 0,
            [this](const agentd::ConnectionInfo& info) {
                std::vector<std::unique_ptr<agentd::RpcInterface>> served;
                served.push_back(std::make_unique<agentd::EndpointMapper>(m_port.load(), info.localAddress));
                served.push_back(std::make_unique<Scripted>(*this));
                return served;
            },
            {});
        if (listener) {
            m_listener = std::move(listener).Value();
            m_port = m_listener->Port();
        }
    }
    ~InProcessAgent() {
        if (m_listener) m_listener->Stop();
    }
    // The mapper and the agent share the port.
    std::uint16_t Port() const { return m_port.load(); }
    int Calls(rpc::AgentOp op) const { return m_calls[static_cast<std::size_t>(op)].load(); }
    // 0 answers normally; anything else is the status Ping, SnapSessionCreate or SnapSessionClose returns.
    void SetSessionStatus(rpc::AgentOp op, std::uint32_t status) { m_sessionStatus[static_cast<std::size_t>(op)] = status; }

private:
    class Scripted final : public agentd::RpcInterface {
    public:
        explicit Scripted(InProcessAgent& owner) : m_owner(owner), m_calls(owner.m_service) {}
        const rpc::SyntaxId& Syntax() const noexcept override { return rpc::kAgentInterface; }
        agentd::RpcReply Call(std::uint16_t opnum, std::span<const std::uint8_t> stub, bool bigEndian) override {
            if (opnum < rpc::kAgentOpCount) ++m_owner.m_calls[opnum];
            if (opnum < m_owner.m_sessionStatus.size() && m_owner.m_sessionStatus[opnum] != 0) {
                rpc::NdrWriter w;
                w.U32(m_owner.m_sessionStatus[opnum]);
                return {w.Take(), 0, false};
            }
            return m_calls.Call(opnum, stub, bigEndian);
        }

    private:
        InProcessAgent& m_owner;
        agentd::AgentCalls m_calls;
    };

    agentd::AgentService m_service;
    std::array<std::atomic<int>, rpc::kAgentOpCount> m_calls{};
    std::array<std::atomic<std::uint32_t>, 3> m_sessionStatus{};
    std::atomic<std::uint16_t> m_port{0};
    std::unique_ptr<agentd::RpcListener> m_listener;
};

}  // namespace agent::test
