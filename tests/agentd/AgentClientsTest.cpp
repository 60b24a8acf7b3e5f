// Clients sharing one agent: a snapper answers only the client that started it (after a drop,
// only the client that proves it is the same by its association group takes it back), silent
// connections make room for managers, and no client takes every snapper.
#include <gtest/gtest.h>

#include <functional>

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
using Op = rpc::AgentOp;

constexpr std::uint32_t kInvalidHandle = 6;

std::unique_ptr<AgentDaemon> StartDaemon(AgentConfig config, RpcListener::Options rpcOptions = {}) {
    DaemonOptions options;
    options.epmPort = 0;
    options.rpc = rpcOptions;
    auto daemon = AgentDaemon::Start(options, std::move(config));
    EXPECT_TRUE(daemon) << daemon.Err().text;
    return std::move(daemon).Value();
}

// The frames of a raw peek reply: len, referent, count, then the peek result.
capture::CPktSnap Peeked(const Bytes& reply) {
    const std::uint32_t len = test::Word(reply, 0);
    return test::PeekedBatch(std::span(reply).subspan(12, len));
}

TEST(AgentClientsTest, ADroppedClientsSnappersWaitForItsReconnect) {
    struct Case {
        const char* name;
        std::chrono::milliseconds grace;
        bool closeSession;  // the client leaves knowingly
        bool comesBack;     // it binds again in its association group, inside the grace period
    } cases[] = {
        {"reconnect within the grace period", 60s, false, true},
        {"no reconnect: freed after the grace period", 100ms, false, false},
        {"session closed: freed at once", 60s, true, false},
    };
    for (const auto& c : cases) {
        AgentConfig config = test::ListConfig(300);
        config.snappers.grace = c.grace;
        auto daemon = StartDaemon(std::move(config));
        std::uint32_t snapper = 0;
        std::uint32_t group = 0;
        {
            RawClient first(daemon->Port());
            const auto ack = first.Bind();
            ASSERT_TRUE(ack) << c.name;
            group = ack->assocGroup;
            const auto [handle, status] = first.Start(1000);
            ASSERT_EQ(status, 0U) << c.name;
            snapper = handle;
            if (c.closeSession) {
                EXPECT_EQ(first.Status(static_cast<std::uint16_t>(Op::SnapSessionClose), {}), 0U);
            }
        }  // the connection ends
        if (!c.comesBack) {
            EXPECT_TRUE(support::WaitUntil([&] { return daemon->Service().RunningEngines() == 0; })) << c.name;
            continue;
        }
        RawClient second(daemon->Port());
        const auto ack = second.Bind(group);
        ASSERT_TRUE(ack) << c.name;
        EXPECT_EQ(ack->assocGroup, group) << c.name << ": the agent did not take the client back into its group";
        EXPECT_TRUE(support::WaitUntil([&] {
            const auto reply = second.Call(static_cast<std::uint16_t>(Op::SnapSnapperQueryA), test::Le32({snapper}));
            return reply && *reply == test::Le32({300, 0});
        })) << c.name;
        const auto peek = second.Call(static_cast<std::uint16_t>(Op::SnapSnapperPeekA), test::Le32({snapper}));
        ASSERT_TRUE(peek) << c.name;
        const auto batch = Peeked(*peek);
        ASSERT_EQ(batch.GetFrameCount(), 300U) << c.name;
        EXPECT_EQ(batch.GetFrame(0).GetFrameNumber(), 1000U) << c.name;
        EXPECT_EQ(second.OnSnapper(Op::SnapSnapperStopA, snapper), 0U) << c.name;
    }
}

TEST(AgentClientsTest, ASnapperAnswersOnlyItsOwnClient) {
    auto daemon = StartDaemon(test::ListConfig(300));
    testing::internal::CaptureStderr();
    auto owner = std::make_unique<RawClient>(daemon->Port());
    const auto ack = owner->Bind();
    ASSERT_TRUE(ack);
    const std::uint32_t group = ack->assocGroup;
    const auto [snapper, started] = owner->Start();
    ASSERT_EQ(started, 0U);
    ASSERT_TRUE(support::WaitUntil([&] { return owner->Call(5, test::Le32({snapper})) == test::Le32({300, 0}); }));

    // Every one of them comes from the owner's own address.
    struct Stranger {
        const char* name;
        std::uint32_t asksToJoin;
    } strangers[] = {
        {"another client", 0},
        {"a client naming a group it made up", group ^ 0x00010001},
        {"a client naming the next group", group + 1},
    };
    auto refused = [&](const char* when) {
        for (const auto& s : strangers) {
            RawClient other(daemon->Port());
            const auto joined = other.Bind(s.asksToJoin);
            ASSERT_TRUE(joined) << s.name;
            EXPECT_NE(joined->assocGroup, group) << s.name << " " << when << " joined the owner's group";
            EXPECT_NE(joined->assocGroup, s.asksToJoin) << s.name << " " << when << " got the group it asked for";
            for (const auto op : {Op::SnapSnapperQueryA, Op::SnapSnapperPeekA, Op::SnapSnapperStopA})
                EXPECT_EQ(other.OnSnapper(op, snapper), kInvalidHandle)
                    << s.name << " " << when << ", procedure " << static_cast<int>(op);
        }
    };
    refused("while the owner is connected");
    EXPECT_EQ(owner->Call(5, test::Le32({snapper})), test::Le32({300, 0})) << "a stranger took frames or the snapper";
    owner.reset();  // the owner's connection drops
    refused("after the owner's connection dropped");

    RawClient back(daemon->Port());
    ASSERT_EQ(back.Bind(group)->assocGroup, group);
    const auto peek = back.Call(static_cast<std::uint16_t>(Op::SnapSnapperPeekA), test::Le32({snapper}));
    ASSERT_TRUE(peek);
    EXPECT_EQ(Peeked(*peek).GetFrameCount(), 300U);
    EXPECT_EQ(back.OnSnapper(Op::SnapSnapperStopA, snapper), 0U);
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("refused to 127.0.0.1:"), std::string::npos) << log;
    EXPECT_NE(log.find("taken over by 127.0.0.1:"), std::string::npos) << log;
}

TEST(AgentClientsTest, EightSilentPeersDoNotKeepAManagerOut) {
    rpc::BindBody strangeInterface = test::AgentBind();
    strangeInterface.contexts[0].abstractSyntax.uuid = rpc::Uuid::FromLiteral("12345678-1234-abcd-ef00-0123456789ab");
    const Bytes query = test::Request(9, 5, test::Le32({1}));
    struct Case {
        const char* name;
        std::function<void(RawClient&)> silence;  // what each peer does before it falls silent
    } cases[] = {
        {"bound", [](RawClient& peer) { EXPECT_TRUE(peer.Bind()); }},
        {"bound with every context refused", [&](RawClient& peer) { EXPECT_TRUE(peer.Bind(0, strangeInterface)); }},
        {"a snapper started", [](RawClient& peer) { EXPECT_TRUE(peer.Bind() && peer.Start().second == 0); }},
        {"half a call sent",
         [&](RawClient& peer) {
             EXPECT_TRUE(peer.Bind());
             peer.Send(Bytes(query.begin(), query.begin() + 20));
         }},
    };
    for (const auto& c : cases) {
        auto daemon = StartDaemon(test::ListConfig(100));  // 8 connections from one address at most
        Client manager(*daemon->EpmPort(), 2s);
        ASSERT_EQ(manager.agent->Ping(), 0U) << c.name;
        std::vector<std::unique_ptr<RawClient>> peers;
        for (int i = 0; i < 8; ++i) {
            peers.push_back(std::make_unique<RawClient>(daemon->Port()));
            c.silence(*peers.back());
        }
        // The manager's idle connection may have made room: its next call finds the agent again.
        EXPECT_EQ(manager.agent->Ping(), 0U) << c.name;
        Client late(*daemon->EpmPort(), 2s);
        EXPECT_EQ(late.agent->Ping(), 0U) << c.name;
    }
}

TEST(AgentClientsTest, OneClientCannotTakeEverySnapper) {
    AgentConfig config = test::ListConfig(10);
    auto daemon = StartDaemon(std::move(config));
    const std::size_t all = daemon->Service().Config().snappers.maxSnappers;
    Client greedy(*daemon->EpmPort());
    std::size_t started = 0;
    std::uint32_t refusal = 0;
    for (std::size_t i = 0; i < all && refusal == 0; ++i) {
        std::int32_t snapper = 0;
        refusal = greedy.agent->SnapSnapperStartA(60, 0, test::Serialise({}), snapper);
        if (refusal == 0) ++started;
    }
    EXPECT_LT(started, all);
    EXPECT_EQ(refusal, 1723U);  // too busy
    Client other(*daemon->EpmPort());
    std::int32_t snapper = 0;
    EXPECT_EQ(other.agent->SnapSnapperStartA(60, 0, test::Serialise({}), snapper), 0U);
}

}  // namespace
}  // namespace agentd
