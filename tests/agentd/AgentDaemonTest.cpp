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
#include "agentd/AgentDaemon.h"
#include "rpc/AgentClient.h"
#include "rpc/BindingHandle.h"
#include "support/WaitUntil.h"

namespace agentd {
namespace {

using test::Bytes;
using namespace std::chrono_literals;

std::unique_ptr<AgentDaemon> StartDaemon(std::size_t frames, RpcListener::Options rpcOptions = {}) {
    DaemonOptions options;
    options.epmPort = 0;
    options.rpc = rpcOptions;
    auto daemon = AgentDaemon::Start(options, test::ListConfig(frames));
    EXPECT_TRUE(daemon) << daemon.Err().text;
    return std::move(daemon).Value();
}

// A bare TCP client for the hostile cases.
class RawClient {
public:
    explicit RawClient(std::uint16_t port) : m_fd(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(port);
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_connected = ::connect(m_fd, static_cast<sockaddr*>(static_cast<void*>(&addr)), sizeof addr) == 0;
        const timeval wait{10, 0};
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    }
    ~RawClient() { ::close(m_fd); }
    bool Connected() const { return m_connected; }
    // True once the server has closed the connection, waiting up to limit for that.
    bool ClosedWithin(std::chrono::milliseconds limit) {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(limit.count())) != 1) return false;
        std::uint8_t byte = 0;
        const ssize_t n = ::recv(m_fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
        return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
    }
    // One reply PDU, whole.
    Bytes ReadPdu() {
        Bytes pdu(rpc::kHeaderSize);
        if (::recv(m_fd, pdu.data(), pdu.size(), MSG_WAITALL) != static_cast<ssize_t>(pdu.size())) return {};
        pdu.resize(pdu[8] | (pdu[9] << 8));
        const auto rest = pdu.size() - rpc::kHeaderSize;
        if (::recv(m_fd, &pdu[rpc::kHeaderSize], rest, MSG_WAITALL) != static_cast<ssize_t>(rest)) return {};
        return pdu;
    }
    void Send(const Bytes& bytes) { ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
    // Everything the server sends until it closes, or nullopt when it stays open for 10 s.
    std::optional<Bytes> ReadUntilClosed() {
        Bytes all;
        std::uint8_t chunk[4096];
        for (;;) {
            const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return std::nullopt;
            if (n <= 0) return all;  // closed, or reset
            all.insert(all.end(), chunk, chunk + n);
        }
    }

private:
    int m_fd;
    bool m_connected = false;
};

struct Client {
    explicit Client(std::uint16_t epmPort) {
        EXPECT_EQ(rpc::BindingHandle::FromStringBinding("ncacn_ip_tcp:127.0.0.1", binding), 0U);
        binding->SetEpmPort(epmPort);
        binding->SetTimeout(10s);
        agent = std::make_unique<rpc::AgentClient>(*binding);
    }
    std::unique_ptr<rpc::BindingHandle> binding;
    std::unique_ptr<rpc::AgentClient> agent;
};

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

TEST(AgentDaemonTest, ADroppedClientsSnappersWaitForItsReconnect) {
    struct Case {
        const char* name;
        std::chrono::milliseconds grace;
        bool closeSession;  // the client leaves knowingly
        bool comesBack;     // a new connection from the same address, inside the grace period
    } cases[] = {
        {"reconnect within the grace period", 60s, false, true},
        {"no reconnect: freed after the grace period", 100ms, false, false},
        {"session closed: freed at once", 60s, true, false},
    };
    for (const auto& c : cases) {
        AgentConfig config = test::ListConfig(300);
        config.snappers.grace = c.grace;
        DaemonOptions options;
        options.epmPort = 0;
        auto daemon = AgentDaemon::Start(options, std::move(config)).Value();
        std::int32_t snapper = 0;
        {
            Client first(*daemon->EpmPort());
            ASSERT_EQ(first.agent->SnapSnapperStartA(60, 1000, test::Serialise({}), snapper), 0U) << c.name;
            if (c.closeSession) {
                EXPECT_EQ(first.agent->SnapSessionClose(), 0U);
            }
        }  // the connection ends
        if (!c.comesBack) {
            EXPECT_TRUE(support::WaitUntil([&] { return daemon->Service().RunningEngines() == 0; })) << c.name;
            continue;
        }
        Client second(*daemon->EpmPort());
        std::int32_t pending = 0;
        EXPECT_TRUE(support::WaitUntil([&] {
            return second.agent->SnapSnapperQueryA(snapper, pending) == 0 && pending == 300;
        })) << c.name;
        rpc::PeekResult peek;
        ASSERT_EQ(second.agent->SnapSnapperPeekA(snapper, peek), 0U) << c.name;
        const auto batch = test::PeekedBatch(peek.data);
        ASSERT_EQ(batch.GetFrameCount(), 300U) << c.name;
        EXPECT_EQ(batch.GetFrame(0).GetFrameNumber(), 1000U) << c.name;
        EXPECT_EQ(second.agent->SnapSnapperStopA(snapper), 0U) << c.name;
    }
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
    EXPECT_TRUE(support::WaitUntil([&] { return table.UsedBytes() > table.Budget() * 9 / 10; }));
    EXPECT_LE(table.UsedBytes(), table.Budget() + slack);

    Client other(*daemon->EpmPort());
    std::int32_t snapper = 0;
    ASSERT_EQ(other.agent->SnapSnapperStartA(60, 0, test::Serialise({}), snapper), 0U);
    // Half the budget is the other client's: its one snapper fills it.
    std::int32_t pending = 0;
    EXPECT_TRUE(support::WaitUntil([&] {
        return other.agent->SnapSnapperQueryA(snapper, pending) == 0 &&
               static_cast<std::size_t>(pending) * test::EndlessSource::kRecordBytes > table.Budget() * 4 / 10;
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
