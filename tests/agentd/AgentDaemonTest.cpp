// The agent on loopback sockets: the manager's own RPC client through the endpoint mapper,
// and hostile clients that must neither take the agent down nor keep its resources.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <thread>

#include "AgentTestUtil.h"
#include "agentd/AgentDaemon.h"
#include "capture/CPktSnap.h"
#include "rpc/AgentClient.h"
#include "rpc/BindingHandle.h"

namespace agentd {
namespace {

using test::Bytes;

std::unique_ptr<AgentDaemon> StartDaemon(std::size_t frames, RpcListener::Options rpcOptions = {}) {
    DaemonOptions options;
    options.epmPort = 0;
    options.rpc = rpcOptions;
    AgentConfig config;
    config.sources = [frames]() -> core::Result<std::unique_ptr<FrameSource>> {
        return std::unique_ptr<FrameSource>(std::make_unique<test::ListSource>(test::NumberedFrames(frames), true));
    };
    auto daemon = AgentDaemon::Start(options, std::move(config));
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
    }
    ~RawClient() { ::close(m_fd); }
    bool Connected() const { return m_connected; }
    void Send(const Bytes& bytes) { ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
    // Everything the server sends until it closes, or nullopt when it stays open past the wait.
    std::optional<Bytes> ReadUntilClosed(std::chrono::milliseconds wait = std::chrono::seconds(10)) {
        Bytes all;
        const auto end = std::chrono::steady_clock::now() + wait;
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0) return std::nullopt;
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) return std::nullopt;
            std::uint8_t chunk[4096];
            const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
            if (n <= 0) return all;
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
        binding->SetTimeout(std::chrono::seconds(10));
        agent = std::make_unique<rpc::AgentClient>(*binding);
    }
    std::unique_ptr<rpc::BindingHandle> binding;
    std::unique_ptr<rpc::AgentClient> agent;
};

capture::CPktSnap Inflate(const rpc::PeekResult& peek) {
    core::ByteReader in(peek.data);
    const std::uint32_t k = in.Le32();
    const std::uint32_t u = in.Le32();
    const auto stream = in.Rest();
    Bytes batchBytes(u);
    uLongf size = u;
    EXPECT_EQ(::uncompress(batchBytes.data(), &size, stream.data(), stream.size()), Z_OK);
    EXPECT_EQ(size, u);
    capture::CPktSnap batch;
    batch.RemoveAllFrames();
    core::Archive ar{std::span<const std::uint8_t>(batchBytes)};
    batch.Serialize(ar);
    EXPECT_EQ(batch.GetFrameCount(), k);
    EXPECT_EQ(ar.Remaining(), 0U);
    return batch;
}

TEST(AgentDaemonTest, ManagerClientRunsEveryProcedureThroughTheMapper) {
    auto daemon = StartDaemon(300);
    Client client(*daemon->EpmPort());
    auto& agent = *client.agent;
    EXPECT_EQ(agent.Ping(), 0U);
    EXPECT_EQ(client.binding->Endpoint(), daemon->Port());  // the mapper named the agent's port
    EXPECT_EQ(agent.SnapSessionCreate(), 0U);

    const Bytes conf = test::Serialise({});
    std::int32_t first = 0, second = 0;
    ASSERT_EQ(agent.SnapSnapperStartA(60, 0, conf, first), 0U);
    ASSERT_EQ(agent.SnapSnapperStartA(60, 5000, conf, second), 0U);
    EXPECT_NE(first, second);

    // Two snappers each get every frame, numbered from their own start.
    for (auto [snapper, base] : {std::pair{first, 0U}, std::pair{second, 5000U}}) {
        std::vector<std::uint32_t> numbers;
        for (int i = 0; i < 2000 && numbers.size() < 300; ++i) {
            std::int32_t pending = -1;
            ASSERT_EQ(agent.SnapSnapperQueryA(snapper, pending), 0U);
            if (pending == 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                continue;
            }
            rpc::PeekResult peek;
            ASSERT_EQ(agent.SnapSnapperPeekA(snapper, peek), 0U);
            const auto batch = Inflate(peek);
            EXPECT_EQ(batch.GetFrequency(), 1'000'000);
            for (const auto& f : batch.Frames()) numbers.push_back(f.GetFrameNumber());
        }
        ASSERT_EQ(numbers.size(), 300U);
        for (std::uint32_t i = 0; i < 300; ++i) EXPECT_EQ(numbers[i], base + i);
    }
    rpc::PeekResult empty;
    EXPECT_EQ(agent.SnapSnapperPeekA(first, empty), 0U);
    EXPECT_EQ(empty.len, 0U);

    EXPECT_EQ(agent.SnapSnapperStopA(first), 0U);
    EXPECT_EQ(agent.SnapSnapperStopA(first), 6U);
    std::int32_t pending = 0;
    EXPECT_EQ(agent.SnapSnapperQueryA(first, pending), 6U);
    EXPECT_EQ(agent.SnapSnapperStopA(second), 0U);
    EXPECT_EQ(daemon->Service().RunningEngines(), 0U);

    // A configuration the agent cannot read is refused with a status, not a fault.
    std::int32_t snapper = 0;
    Bytes badSchema = conf;
    badSchema[0] = 2;
    EXPECT_EQ(agent.SnapSnapperStartA(60, 0, badSchema, snapper), 87U);
    EXPECT_EQ(agent.SnapSnapperStartA(60, 0, std::span<const std::uint8_t>(conf).first(30), snapper), 87U);
    Bytes trailing = conf;
    trailing.push_back(0);
    EXPECT_EQ(agent.SnapSnapperStartA(60, 0, trailing, snapper), 87U);
    EXPECT_EQ(agent.SnapSessionClose(), 0U);
}

TEST(AgentDaemonTest, HostileClientsLeaveTheAgentServing) {
    auto daemon = StartDaemon(10);
    const std::uint16_t port = daemon->Port();
    Bytes huge = test::Request(1, 0, {});
    huge[8] = 0xFF;
    huge[9] = 0xFF;
    Bytes bindThenHalf = rpc::EncodeBind(1, test::AgentBind());
    const Bytes start = test::Request(2, 3, test::StartStub(0, test::Serialise({})));
    bindThenHalf.insert(bindThenHalf.end(), start.begin(), start.begin() + 40);
    const std::vector<Bytes> attacks = {
        Bytes(64, 0xFF),                            // garbage
        huge,                                       // frag_length far beyond what the agent takes
        test::Request(1, 0, {}),                    // a call before any bind
        Bytes{5, 0, 11},                            // a header cut short, then the client leaves
        bindThenHalf,                               // a client vanishing mid-call
    };
    for (const auto& attack : attacks) {
        RawClient raw(port);
        ASSERT_TRUE(raw.Connected());
        raw.Send(attack);
    }
    for (std::size_t i = 0; i < 3; ++i) {
        RawClient raw(port);
        raw.Send(attacks[i]);
        EXPECT_TRUE(raw.ReadUntilClosed()) << "attack " << i << " left the connection open";
    }
    Client client(*daemon->EpmPort());
    EXPECT_EQ(client.agent->Ping(), 0U);
}

TEST(AgentDaemonTest, VanishingManagerReleasesItsSnappers) {
    auto daemon = StartDaemon(1000);
    {
        Client client(*daemon->EpmPort());
        std::int32_t snapper = 0;
        ASSERT_EQ(client.agent->SnapSnapperStartA(60, 0, test::Serialise({}), snapper), 0U);
        EXPECT_EQ(daemon->Service().RunningEngines(), 1U);
    }  // the connection ends without a stop
    for (int i = 0; i < 1000 && daemon->Service().RunningEngines() != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(daemon->Service().RunningEngines(), 0U);
}

TEST(AgentDaemonTest, IdleConnectionsAreDroppedAndTheirNumberIsBounded) {
    RpcListener::Options options;
    options.idleTimeout = std::chrono::milliseconds(200);
    options.ioTimeout = std::chrono::milliseconds(200);
    options.maxConnections = 2;
    auto daemon = StartDaemon(1, options);
    RawClient silent(daemon->Port());
    EXPECT_TRUE(silent.ReadUntilClosed(std::chrono::seconds(10)));

    RawClient stalled(daemon->Port());  // half a header, then nothing
    stalled.Send(Bytes{5, 0, 11, 3});
    EXPECT_TRUE(stalled.ReadUntilClosed(std::chrono::seconds(10)));

    options.idleTimeout = std::chrono::minutes(1);
    auto busy = StartDaemon(1, options);
    RawClient a(busy->Port()), b(busy->Port());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // both accepted
    RawClient c(busy->Port());
    const auto refused = c.ReadUntilClosed(std::chrono::seconds(10));
    ASSERT_TRUE(refused);
    EXPECT_TRUE(refused->empty());
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
