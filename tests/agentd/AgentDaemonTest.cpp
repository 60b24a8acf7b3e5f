// The agent on loopback sockets: the manager's own RPC client through the endpoint mapper,
// and hostile clients that must neither take the agent down nor keep its resources.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "AgentTestUtil.h"
#include "RawRpcClient.h"
#include "agentd/AgentDaemon.h"
#include "support/WaitUntil.h"

namespace agentd {
namespace {

using test::Bytes;
using test::Client;
using test::RawClient;
using namespace std::chrono_literals;

std::unique_ptr<AgentDaemon> StartDaemon(std::size_t frames, RpcListener::Options rpcOptions = {}) {
    DaemonOptions options;
    options.epmPort = 0;
    options.rpc = rpcOptions;
    auto daemon = AgentDaemon::Start(options, test::ListConfig(frames));
    EXPECT_TRUE(daemon) << daemon.Err().text;
    return std::move(daemon).Value();
}

TEST(AgentDaemonTest, HostileClientsLeaveTheAgentServing) {
    auto daemon = StartDaemon(10);
    const std::uint16_t port = daemon->Port();
    Bytes huge = test::Request(1, 0, {});
    huge[8] = huge[9] = 0xFF;
    Bytes bindThenHalf = rpc::EncodeBind(1, test::AgentBind());
    const Bytes start = test::Request(2, 3, test::StartStub(0, test::Serialise({})));
    bindThenHalf.insert(bindThenHalf.end(), start.begin(), start.begin() + 40);
    const std::vector<Bytes> attacks = {
        Bytes(64, 0xFF),          // garbage
        huge,                     // frag_length far beyond what the agent takes
        test::Request(1, 0, {}),  // a call before any bind
        Bytes{5, 0, 11},          // a header cut short, then the client leaves
        bindThenHalf,             // a client vanishing mid-call
    };
    for (std::size_t i = 0; i < attacks.size(); ++i) {
        RawClient raw(port);
        ASSERT_TRUE(raw.Connected());
        raw.Send(attacks[i]);
        // The first three the agent refuses by closing; after the others the client leaves.
        EXPECT_TRUE(i >= 3 || raw.ReadUntilClosed()) << "attack " << i << " left the connection open";
    }
    Client client(*daemon->EpmPort());
    EXPECT_EQ(client.agent->Ping(), 0U);
    EXPECT_EQ(client.binding->Endpoint(), daemon->Port());  // the mapper named the agent's port
}

TEST(AgentDaemonTest, NobodyLocksTheManagersOut) {
    RpcListener::Options options;
    options.bindTimeout = 300ms;
    options.pduTimeout = 300ms;
    options.maxPerSource = 4;
    auto daemon = StartDaemon(1, options);
    const std::uint16_t port = daemon->Port();

    RawClient silent(port);  // never binds
    EXPECT_TRUE(silent.ReadUntilClosed());
    RawClient dripping(port);  // a bind one byte every 50 ms, each in time, the whole too late
    const Bytes bind = rpc::EncodeBind(1, test::AgentBind());
    bool closed = false;
    for (std::size_t i = 0; i < bind.size() && !closed; ++i) {
        dripping.Send({bind[i]});
        closed = dripping.ClosedWithin(50ms);
    }
    EXPECT_TRUE(closed) << "a trickle of bytes kept a PDU alive past its deadline";

    // Bound and idle past both deadlines: a paused capture window keeps its connection. Two
    // connections made after it show when both deadlines have passed, as the agent closes
    // them: one that never binds, one that stops half way through a request.
    RawClient idle(port);
    idle.Send(bind);
    EXPECT_EQ(idle.ReadPdu().at(2), static_cast<std::uint8_t>(rpc::PduType::BindAck));
    RawClient neverBinds(port);
    RawClient halfRequest(port);
    halfRequest.Send(bind);
    EXPECT_EQ(halfRequest.ReadPdu().at(2), static_cast<std::uint8_t>(rpc::PduType::BindAck));
    const Bytes request = test::Request(3, 0, {});
    halfRequest.Send(Bytes(request.begin(), request.begin() + static_cast<long>(request.size() / 2)));
    EXPECT_TRUE(neverBinds.ReadUntilClosed());
    EXPECT_TRUE(halfRequest.ReadUntilClosed());
    idle.Send(test::Request(2, 0, {}));
    EXPECT_EQ(idle.ReadPdu().size(), rpc::kRequestHeaderSize + 4) << "the idle manager lost its connection";

    // The cap of one address is full of connections that never bind: the oldest make room.
    options.bindTimeout = 60s;
    auto busy = StartDaemon(1, options);
    std::vector<std::unique_ptr<RawClient>> squatters;
    for (int i = 0; i < 20; ++i) squatters.push_back(std::make_unique<RawClient>(busy->Port()));
    Client late(*busy->EpmPort());
    EXPECT_EQ(late.agent->Ping(), 0U);
}

TEST(AgentDaemonTest, SnappersThatAreNeverPeekedStayWithinTheBudget) {
    AgentConfig config;
    config.sources = [](const capture::CPktSnapConf&) -> core::Result<std::unique_ptr<FrameSource>> {
        return std::unique_ptr<FrameSource>(std::make_unique<test::EndlessSource>());
    };
    config.snappers.budgetBytes = 4 << 20;
    config.snappers.maxPerClient = 16;
    DaemonOptions options;
    options.epmPort = 0;
    auto daemon = AgentDaemon::Start(options, std::move(config)).Value();
    SnapperTable& table = daemon->Service().Snappers();
    Client greedy(*daemon->EpmPort());
    for (int i = 0; i < 15; ++i) {
        std::int32_t snapper = 0;
        ASSERT_EQ(greedy.agent->SnapSnapperStartA(60, 0, test::Serialise({}), snapper), 0U);
    }
    const std::size_t slack = 16 * 2048;  // a frame in flight per snapper
    // Half of each part is a queue's, the other half is kept for the peek that empties it.
    EXPECT_TRUE(support::WaitUntil([&] { return table.UsedBytes() > table.Budget() * 4 / 10; }));
    EXPECT_LE(table.UsedBytes(), table.Budget() + slack);

    Client other(*daemon->EpmPort());
    std::int32_t snapper = 0;
    ASSERT_EQ(other.agent->SnapSnapperStartA(60, 0, test::Serialise({}), snapper), 0U);
    // Half the budget is the other client's: its one snapper's queue fills half of that.
    std::int32_t pending = 0;
    EXPECT_TRUE(support::WaitUntil([&] {
        return other.agent->SnapSnapperQueryA(snapper, pending) == 0 &&
               static_cast<std::size_t>(pending) * test::EndlessSource::kRecordBytes > table.Budget() * 2 / 10;
    }));
    EXPECT_LE(table.UsedBytes(), table.Budget() + slack);
}

TEST(AgentDaemonTest, StopEndsConnectionsInTheMiddleOfACapture) {
    auto daemon = StartDaemon(20000);
    Client client(*daemon->EpmPort());
    std::int32_t snapper = 0;
    ASSERT_EQ(client.agent->SnapSnapperStartA(60, 0, test::Serialise({}), snapper), 0U);
    daemon->Stop();  // returns only once every connection thread and engine has ended
    EXPECT_EQ(daemon->Service().RunningEngines(), 0U);
    EXPECT_NE(client.agent->Ping(), 0U);
}

}  // namespace
}  // namespace agentd
