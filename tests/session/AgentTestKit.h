// What the capture document's tests stand on: palometsrv's procedures served in this
// process (counting calls; the session procedures can answer a chosen status), and an
// application lending its tables and fakes to documents.
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "agentd/AgentCalls.h"
#include "agentd/AgentTestUtil.h"
#include "agentd/EndpointMapper.h"
#include "agentd/RpcListener.h"
#include "capture/TraceTestUtil.h"
#include "rpc/Ndr.h"
#include "session/CKestroDoc.h"
#include "support/Files.h"

namespace session::test {

// The agent and its endpoint mapper on one free loopback port.
class InProcessAgent {
public:
    explicit InProcessAgent(agentd::AgentConfig config = agentd::test::ListConfig(0)) : m_service(std::move(config)) {
        m_listener = std::move(agentd::RpcListener::Open("127.0.0.1", 0,
                                                         [this](const agentd::ConnectionInfo& info) {
                                                             std::vector<std::unique_ptr<agentd::RpcInterface>> served;
                                                             served.push_back(std::make_unique<agentd::EndpointMapper>(
                                                                 m_port.load(), info.localAddress));
                                                             served.push_back(std::make_unique<Counted>(*this, info));
                                                             return served;
                                                         },
                                                         {}))
                         .Value();
        m_port = m_listener->Port();
        m_listener->Serve();
    }
    ~InProcessAgent() { m_listener->Stop(); }
    std::uint16_t Port() const { return m_port; }
    int Calls(rpc::AgentOp op) const { return m_calls[static_cast<std::size_t>(op)]; }
    // Ping, SnapSessionCreate or SnapSessionClose answer this status (0: as the agent does).
    std::array<std::atomic<std::uint32_t>, 3> sessionStatus{};

private:
    struct Counted final : agentd::RpcInterface {
        Counted(InProcessAgent& agent, const agentd::ConnectionInfo& info)
            : owner(agent),
              calls(agent.m_service, agentd::Caller{info.id, info.peerAddress, info.peerPort, nullptr}) {}
        const rpc::SyntaxId& Syntax() const noexcept override { return rpc::kAgentInterface; }
        agentd::RpcReply Call(std::uint16_t opnum, std::span<const std::uint8_t> stub, bool bigEndian) override {
            ++owner.m_calls.at(opnum);
            if (opnum >= owner.sessionStatus.size() || owner.sessionStatus[opnum] == 0)
                return calls.Call(opnum, stub, bigEndian);
            rpc::NdrWriter w;
            w.U32(owner.sessionStatus[opnum]);
            return agentd::RpcReply::Of(w.Buffer());
        }
        void Associated(const agentd::GroupRef& group, std::uint32_t asked) override { calls.Associated(group, asked); }
        bool HoldsState() const override { return calls.HoldsState(); }
        InProcessAgent& owner;
        agentd::AgentCalls calls;
    };
    agentd::AgentService m_service;
    std::array<std::atomic<int>, rpc::kAgentOpCount> m_calls{};
    std::atomic<std::uint16_t> m_port{0};
    std::unique_ptr<agentd::RpcListener> m_listener;
};

struct FakeServiceCheck final : services::AgentServiceCheck {
    std::uint32_t ServiceExists(const std::string& host, std::string_view service) override {
        asked.push_back(host + " " + std::string(service));
        return exists;
    }
    std::uint32_t IsServiceRunning(const std::string&, std::string_view) override { return running; }
    std::uint32_t exists = 0;
    std::uint32_t running = 0;
    std::vector<std::string> asked;
};

struct CountingCursor final : core::WaitCursor {
    void Begin() override { ++begun; }
    void End() override { ++ended; }
    int begun = 0;
    int ended = 0;
};

// One application: its binding table and open-trace list, shared by its documents.
struct TestApp {
    explicit TestApp(std::uint16_t epmPort, core::PromptAnswer answer = core::PromptAnswer::Ok) : prompt(answer) {
        context.epmPort = epmPort;
        context.callTimeout = std::chrono::seconds(10);
    }
    std::unique_ptr<CKestroDoc> Open(const std::string& server, const std::string& traceFile, bool saved = false) {
        auto profile = std::make_unique<profiles::CSessionProfile>();
        profile->serverAddress = server;
        profile->traceFile = traceFile;
        profile->dumpFile = saved ? 1 : 0;
        auto doc = std::make_unique<CKestroDoc>(context);
        return doc->OnNewDocument(std::move(profile)) ? std::move(doc) : nullptr;
    }
    std::vector<std::string> Said() const {
        std::vector<std::string> out;
        for (const auto& m : prompt.Messages()) out.push_back(m.text);
        return out;
    }

    AgentBindingTable bindings;
    OpenTraceList openTraces;
    FakeServiceCheck services;
    core::RecordingPrompt prompt;
    CountingCursor cursor;
    std::vector<std::string> dialogs;
    DocumentContext context{
        bindings, openTraces, services, prompt, cursor, [this](const std::string& host, std::string_view service) {
            dialogs.push_back(host + " " + std::string(service));
        }};
};

// The records of a pcap file (record header and frame bytes), in order.
inline std::vector<std::vector<std::uint8_t>> PcapRecords(const std::string& path) {
    const auto file = support::ReadBytes(path);
    std::vector<std::vector<std::uint8_t>> records;
    for (std::size_t at = 24, end = 0; at + 16 <= file.size(); at = end) {
        end = at + 16 + testutil::Le32At(file, at + 8);
        records.emplace_back(file.begin() + static_cast<long>(at), file.begin() + static_cast<long>(end));
    }
    return records;
}

}  // namespace session::test
