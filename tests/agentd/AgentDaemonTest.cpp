// The agent on loopback sockets: the manager's own RPC client through the endpoint mapper,
// and hostile clients that must neither take the agent down nor keep its resources.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "AgentTestUtil.h"
#include "agentd/AgentDaemon.h"
#include "rpc/AgentClient.h"
#include "rpc/BindingHandle.h"

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

TEST(AgentDaemonTest, VanishingManagerReleasesItsSnappers) {
    auto daemon = StartDaemon(1000);
    {
        Client client(*daemon->EpmPort());
        std::int32_t snapper = 0;
        ASSERT_EQ(client.agent->SnapSnapperStartA(60, 0, test::Serialise({}), snapper), 0U);
        EXPECT_EQ(daemon->Service().RunningEngines(), 1U);
    }  // the connection ends without a stop
    for (int i = 0; i < 1000 && daemon->Service().RunningEngines() != 0; ++i) std::this_thread::sleep_for(5ms);
    EXPECT_EQ(daemon->Service().RunningEngines(), 0U);
}

TEST(AgentDaemonTest, IdleConnectionsAreDroppedAndTheirNumberIsBounded) {
    RpcListener::Options options;
    options.idleTimeout = options.ioTimeout = 200ms;
    options.maxConnections = 2;
    auto daemon = StartDaemon(1, options);
    RawClient silent(daemon->Port());
    EXPECT_TRUE(silent.ReadUntilClosed());
    RawClient stalled(daemon->Port());  // half a header, then nothing
    stalled.Send(Bytes{5, 0, 11, 3});
    EXPECT_TRUE(stalled.ReadUntilClosed());

    options.idleTimeout = 1min;
    auto busy = StartDaemon(1, options);
    RawClient a(busy->Port()), b(busy->Port());
    std::this_thread::sleep_for(300ms);  // both accepted
    RawClient c(busy->Port());
    EXPECT_EQ(c.ReadUntilClosed(), Bytes{});  // closed at once, nothing said
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
