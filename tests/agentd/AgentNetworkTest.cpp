// palometsrv as a program on a network: who may connect, what cannot lock managers out, what
// survives a dropped connection, what a live capture leaves out, privileges, and how the
// command-line client ends on time-outs and Ctrl-C.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <pcap/pcap.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "AgentProcess.h"
#include "AgentTestUtil.h"
#include "capture/TraceRecovery.h"
#include "rpc/AgentClient.h"
#include "rpc/BindingHandle.h"
#include "support/WaitUntil.h"

namespace agentd {
namespace {

using namespace std::chrono_literals;
using support::TempPath;
using test::AgentProcess;
using test::Bytes;
using test::kBin;
using test::kSample;
using test::kSource;
using test::Shell;

const std::string kCli = kBin + "/palomet-cli";

// A TCP connection from a chosen loopback address.
int ConnectFrom(std::uint32_t from, std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in local{AF_INET, 0, {htonl(from)}, {}};
    sockaddr_in remote{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
    ::bind(fd, static_cast<sockaddr*>(static_cast<void*>(&local)), sizeof local);
    if (::connect(fd, static_cast<sockaddr*>(static_cast<void*>(&remote)), sizeof remote) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// True when the peer closes (or resets) the connection within 5 s without sending a byte.
bool ClosedSilently(int fd) {
    pollfd p{fd, POLLIN, 0};
    std::uint8_t byte = 0;
    if (::poll(&p, 1, 5000) != 1) return false;
    const ssize_t n = ::recv(fd, &byte, 1, 0);
    return n == 0 || (n < 0 && errno == ECONNRESET);
}

// What a command wrote, stdout and stderr together.
std::string Output(const std::string& command) {
    const auto run = support::Run(command);
    return run.out + run.err;
}

TEST(AgentNetworkTest, RefusesToStartWhereItWouldBeUnsafeOrCannotCapture) {
    struct Case {
        const char* name;
        std::string arguments;
        const char* says;
    } cases[] = {
        {"open to the network without an allow-list", "--replay " + kSample + " --listen 0.0.0.0",
         "--allow 10.0.0.0/8"},
        {"an allow-list that is no network", "--replay " + kSample + " --allow 10.0.0.0/33", "prefix length"},
        {"an octal-looking allow-list", "--replay " + kSample + " --allow 010.0.0.0/8", "without leading zeros"},
        {"an octal-looking listen address", "--replay " + kSample + " --listen 0127.0.0.1", "not an IPv4 address"},
        {"an interface that does not exist", "--interface nosuch0", "nosuch0"},
    };
    for (const auto& c : cases) {
        // An agent that starts anyway is ended after a while, not waited for.
        const std::string out = Output("timeout 5 " + kBin + "/palometsrv " + c.arguments + " --port 0 --no-epm");
        EXPECT_NE(out.find(c.says), std::string::npos) << c.name << ": " << out;
        EXPECT_EQ(out.find("capture interface on"), std::string::npos) << c.name << " started";
    }
}

TEST(AgentNetworkTest, AddressesOutsideTheAllowListAreClosedBeforeAnyPdu) {
    AgentProcess agent("--replay " + kSample + " --allow 127.0.0.1/32");
    ASSERT_TRUE(agent.Running());
    const int stranger = ConnectFrom(0x7F000002, static_cast<std::uint16_t>(std::stoi(agent.Port())));
    ASSERT_GE(stranger, 0);
    const Bytes bind = rpc::EncodeBind(1, test::AgentBind());
    ::send(stranger, bind.data(), bind.size(), MSG_NOSIGNAL);
    EXPECT_TRUE(ClosedSilently(stranger));
    ::close(stranger);
    EXPECT_EQ(Shell(kCli + " agent --server 127.0.0.1 --epm-port " + agent.EpmPort() + " ping >/dev/null"), 0);
    const std::string log = agent.Log();
    EXPECT_NE(log.find("connection from 127.0.0.2:"), std::string::npos) << log;
    EXPECT_NE(log.find("refused: not in the allow-list (127.0.0.1/32)"), std::string::npos) << log;
    EXPECT_NE(log.find("connection from 127.0.0.1:"), std::string::npos) << log;
}

TEST(AgentNetworkTest, IdleSocketsAndADrippingClientDoNotStopAPing) {
    AgentProcess agent;
    ASSERT_TRUE(agent.Running());
    const auto port = static_cast<std::uint16_t>(std::stoi(agent.Port()));
    std::vector<int> idle;
    for (int i = 0; i < 200; ++i) idle.push_back(ConnectFrom(0x7F000001, port));
    const int dripper = ConnectFrom(0x7F000001, port);
    platform::ManualResetEvent done;
    std::thread drip([&] {  // a byte every 100 ms until the ping is over
        const Bytes bind = rpc::EncodeBind(1, test::AgentBind());
        for (std::size_t i = 0; i < bind.size(); ++i) {
            ::send(dripper, &bind[i], 1, MSG_NOSIGNAL);
            if (done.Wait(100ms)) break;
        }
    });
    EXPECT_EQ(Shell(kCli + " agent --server 127.0.0.1 --epm-port " + agent.EpmPort() + " --timeout 2 ping >/dev/null"),
              0)
        << agent.Log();
    done.Set();
    drip.join();
    for (const int fd : idle) ::close(fd);
    ::close(dripper);
}

// Forwards one client connection at a time to the agent; the first connection is cut once,
// PDU by PDU: in the middle of a peek reply, or just after one.
class DroppingProxy {
public:
    DroppingProxy(std::uint16_t target, bool midReply) : m_target(target), m_midReply(midReply) {
        m_listener.Listen(0x7F000001, 0);
        m_thread = std::thread([this] { Run(); });
    }
    ~DroppingProxy() {
        m_stop.Set();
        m_thread.join();
    }
    std::uint16_t Port() const { return m_listener.Port(); }
    bool Dropped() const { return m_dropped; }

private:
    void Run() {
        while (!m_stop.IsSet()) {
            auto client = m_listener.Accept(std::chrono::steady_clock::now() + 30s, &m_stop);
            if (!client) continue;
            platform::TcpSocket server;
            if (server.Connect(0x7F000001, m_target, Soon(), &m_stop) != platform::NetStatus::Ok) continue;
            Relay(*client, server);
        }
    }
    static platform::Deadline Soon() { return std::chrono::steady_clock::now() + 100ms; }
    // One PDU from `from`, whole; empty on a time-out with nothing read, nullopt when closed.
    std::optional<Bytes> ReadPdu(platform::TcpSocket& from) {
        Bytes pdu(rpc::kHeaderSize);
        const auto got = from.RecvExact(pdu, Soon(), &m_stop);
        if (got == platform::NetStatus::TimedOut) return Bytes{};
        if (got != platform::NetStatus::Ok) return std::nullopt;
        pdu.resize(pdu[8] | (pdu[9] << 8));
        if (from.RecvExact(std::span(pdu).subspan(rpc::kHeaderSize), std::chrono::steady_clock::now() + 5s, &m_stop) !=
            platform::NetStatus::Ok)
            return std::nullopt;
        return pdu;
    }
    void Relay(platform::TcpSocket& client, platform::TcpSocket& server) {
        int replies = 0;
        for (;;) {
            auto request = ReadPdu(client);
            if (!request) return;
            if (!request->empty()) server.SendAll(*request, Soon() + 5s, &m_stop);
            for (;;) {
                auto reply = ReadPdu(server);
                if (!reply) return;
                if (reply->empty()) break;
                const bool last = ((*reply)[3] & rpc::kFlagLast) != 0;
                const bool peek = reply->size() > 1000 || !last;
                if (!m_dropped && peek && ++replies > 3) {
                    // Cut: half of this fragment, or all of a peek's last one.
                    if (m_midReply) reply->resize(reply->size() / 2);
                    if (m_midReply || last) {
                        client.SendAll(*reply, Soon() + 5s, &m_stop);
                        m_dropped = true;
                        return;
                    }
                }
                client.SendAll(*reply, Soon() + 5s, &m_stop);
            }
        }
    }

    std::uint16_t m_target;
    bool m_midReply;
    std::atomic<bool> m_dropped{false};
    platform::TcpListener m_listener;
    platform::ManualResetEvent m_stop;
    std::thread m_thread;
};

// The replayed file's frames, in order.
std::vector<Bytes> SampleFrames() {
    char error[PCAP_ERRBUF_SIZE] = {};
    pcap_t* p = pcap_open_offline(kSample.c_str(), error);
    std::vector<Bytes> frames;
    pcap_pkthdr* header = nullptr;
    const std::uint8_t* data = nullptr;
    while (p != nullptr && pcap_next_ex(p, &header, &data) == 1) frames.emplace_back(data, data + header->caplen);
    if (p != nullptr) pcap_close(p);
    return frames;
}

TEST(AgentNetworkTest, AConnectionDroppedInTheMiddleOfACaptureLosesNoFrame) {
    const auto expected = SampleFrames();
    ASSERT_EQ(expected.size(), 600U);
    for (const bool midReply : {true, false}) {
        AgentProcess agent("--replay " + kSample + " --queue-frames 100");
        ASSERT_TRUE(agent.Running());
        DroppingProxy proxy(static_cast<std::uint16_t>(std::stoi(agent.Port())), midReply);
        std::unique_ptr<rpc::BindingHandle> binding;
        ASSERT_EQ(rpc::BindingHandle::FromStringBinding("ncacn_ip_tcp:127.0.0.1[" + std::to_string(proxy.Port()) + "]",
                                                        binding),
                  0U);
        binding->SetTimeout(5s);
        rpc::AgentClient client(*binding);
        std::int32_t snapper = 0;
        ASSERT_EQ(client.SnapSnapperStartA(60, 0, test::Serialise({}), snapper), 0U);
        // As a capture window does after a reconnect: a peek handed over again is recognised by
        // its frame numbers, and only frames beyond those already kept are taken.
        std::vector<Bytes> kept;
        int failures = 0;
        while (kept.size() < expected.size() && failures < 10) {
            rpc::PeekResult peek;
            std::int32_t pending = 0;
            if (client.SnapSnapperQueryA(snapper, pending) != 0 || client.SnapSnapperPeekA(snapper, peek) != 0) {
                ++failures;
                continue;
            }
            if (peek.data.empty()) continue;
            const auto batch = test::PeekedBatch(peek.data);
            for (const auto& frame : batch.Frames())
                if (frame.GetFrameNumber() == kept.size())
                    kept.emplace_back(frame.GetData().begin(), frame.GetData().end());
        }
        EXPECT_TRUE(proxy.Dropped());
        // Cut in the middle of a reply, that call fails; cut after one, the client usually finds
        // the connection closed before its next call and opens another, so no call need fail.
        if (midReply) {
            EXPECT_GE(failures, 1);
        }
        ASSERT_EQ(kept.size(), expected.size()) << (midReply ? "mid-reply" : "after a whole reply");
        for (std::size_t i = 0; i < kept.size(); ++i) EXPECT_EQ(kept[i], expected[i]) << "frame " << i;
        EXPECT_NE(agent.Log().find("taken over by 127.0.0.1:"), std::string::npos) << agent.Log();
    }
}

bool Root() { return ::geteuid() == 0; }

// Both ends of a TCP segment: addresses (host order) and ports.
struct TcpEnds {
    std::uint32_t from = 0;
    std::uint16_t fromPort = 0;
    std::uint32_t to = 0;
    std::uint16_t toPort = 0;
    bool operator==(const TcpEnds&) const = default;
};

// The ends of every TCP segment over IPv4 in a pcap file.
std::vector<TcpEnds> TcpSegments(const std::string& path) {
    char error[PCAP_ERRBUF_SIZE] = {};
    pcap_t* p = pcap_open_offline(path.c_str(), error);
    std::vector<TcpEnds> segments;
    pcap_pkthdr* header = nullptr;
    const std::uint8_t* data = nullptr;
    while (p != nullptr && pcap_next_ex(p, &header, &data) == 1) {
        const Bytes f(data, data + header->caplen);
        if (f.size() < 38 || f[12] != 0x08 || f[13] != 0x00 || f[23] != 6) continue;
        const std::size_t l4 = 14 + (f[14] & 0x0F) * 4;
        if (f.size() < l4 + 4) continue;
        segments.push_back(
            {test::Word({f[29], f[28], f[27], f[26]}, 0), static_cast<std::uint16_t>((f[l4] << 8) | f[l4 + 1]),
             test::Word({f[33], f[32], f[31], f[30]}, 0), static_cast<std::uint16_t>((f[l4 + 2] << 8) | f[l4 + 3])});
    }
    if (p != nullptr) pcap_close(p);
    return segments;
}

// A network namespace holding one end of a veth pair, with an address when one is given; the
// other end stays outside, up, for frames the test sends in.
struct VethNamespace {
    explicit VethNamespace(const std::string& tag, const std::string& address = "")
        : ns("palomet-" + tag + std::to_string(::getpid())),
          inside("pv" + tag + std::to_string(::getpid() % 100000) + "a"),
          outside("pv" + tag + std::to_string(::getpid() % 100000) + "b") {
        made = Shell("ip netns add " + ns + " && ip link add " + inside + " type veth peer name " + outside +
                     " && ip link set " + inside + " netns " + ns + " && ip -n " + ns + " link set lo up && ip -n " +
                     ns + " link set " + inside + " up && ip link set " + outside + " up" +
                     (address.empty() ? "" : " && ip -n " + ns + " address add " + address + " dev " + inside)) == 0;
    }
    ~VethNamespace() { Shell("ip link del " + outside + " 2>/dev/null; ip netns del " + ns); }
    std::string Exec() const { return "ip netns exec " + ns + " "; }

    std::string ns;
    std::string inside;
    std::string outside;
    bool made = false;
};

// The capability and no-new-privileges lines of every thread of a process, by thread.
std::map<std::string, std::string> ThreadPrivileges(pid_t pid) {
    std::map<std::string, std::string> threads;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    for (const auto& task : std::filesystem::directory_iterator(tasks)) {
        std::ifstream status(task.path() / "status");
        std::string lines;
        for (std::string line; std::getline(status, line);)
            if (line.starts_with("CapEff:") || line.starts_with("CapPrm:") || line.starts_with("CapBnd:") ||
                line.starts_with("NoNewPrivs:") || line.starts_with("Uid:"))
                lines += line + "\n";
        threads[task.path().filename().string()] = lines;
    }
    return threads;
}

TEST(AgentNetworkTest, ACaptureOnLoopbackHoldsNoneOfTheAgentsOwnPackets) {
    if (!Root()) GTEST_SKIP() << "capturing on lo needs root";
    AgentProcess agent("--interface lo");
    ASSERT_TRUE(agent.Running()) << agent.Log();
    // Other TCP traffic on lo while the capture runs: connections to the agent's mapper from
    // another port would be its own, so these go to a listener of the test's.
    platform::TcpListener other;
    other.Listen(0x7F000001, 0);
    platform::ManualResetEvent done;
    std::thread traffic([&] {  // a connection every 5 ms until the capture is over
        do {
            platform::TcpSocket s;
            s.Connect(0x7F000001, other.Port(), std::chrono::steady_clock::now() + 1s, nullptr);
            auto accepted = other.Accept(std::chrono::steady_clock::now() + 1s, nullptr);
        } while (!done.Wait(5ms));
    });
    const std::string trace = TempPath("lo.tns");
    const std::string exported = TempPath("lo.pcap");
    EXPECT_EQ(Shell(kCli + " capture --server 127.0.0.1 --epm-port " + agent.EpmPort() + " --seconds 3 --out " + trace +
                    " >/dev/null 2>&1"),
              0);
    done.Set();
    traffic.join();
    ASSERT_EQ(Shell(kCli + " export " + trace + " " + exported + " >/dev/null"), 0);
    const auto segments = TcpSegments(exported);
    EXPECT_GT(segments.size(), 10U) << "the capture saw no traffic at all";
    const std::set<std::uint16_t> own = {static_cast<std::uint16_t>(std::stoi(agent.Port())),
                                         static_cast<std::uint16_t>(std::stoi(agent.EpmPort()))};
    for (const auto& s : segments)
        EXPECT_TRUE(!own.contains(s.fromPort) && !own.contains(s.toPort)) << s.fromPort << " -> " << s.toPort;
}

// True once the process has ended (a zombie waiting for its parent).
bool Ends(pid_t pid) {
    const std::string stat = "/proc/" + std::to_string(pid) + "/stat";
    return support::WaitUntil([&] {
        std::ifstream in(stat);
        std::string fields;
        std::getline(in, fields);
        const auto close = fields.rfind(')');
        return !in || (close != std::string::npos && fields.compare(close, 4, ") Z ") == 0);
    });
}

TEST(AgentNetworkTest, SigtermEndsTheAgentWhileItsLiveCaptureSeesNothing) {
    if (!Root()) GTEST_SKIP() << "capturing on lo needs root";
    AgentProcess agent("--interface lo");
    ASSERT_TRUE(agent.Running()) << agent.Log();
    std::unique_ptr<rpc::BindingHandle> binding;
    ASSERT_EQ(rpc::BindingHandle::FromStringBinding("ncacn_ip_tcp:127.0.0.1[" + agent.Port() + "]", binding), 0U);
    binding->SetTimeout(5s);
    rpc::AgentClient client(*binding);
    // A station no frame on lo comes from: the kernel passes the capture nothing at all.
    capture::CPktSnapConf nobody;
    nobody.firstList = {0x0AFFFFFE};
    std::int32_t snapper = 0;
    ASSERT_EQ(client.SnapSnapperStartA(60, 0, test::Serialise(nobody), snapper), 0U);
    std::int32_t pending = -1;
    ASSERT_EQ(client.SnapSnapperQueryA(snapper, pending), 0U);
    EXPECT_EQ(pending, 0);
    ::kill(agent.Pid(), SIGTERM);
    const bool ended = Ends(agent.Pid());
    EXPECT_TRUE(ended) << "the agent did not end on SIGTERM:\n" << agent.Log();
    if (!ended) ::kill(agent.Pid(), SIGKILL);
    EXPECT_EQ(agent.Terminate(), ended ? 0 : -1);
}

// Sends one Ethernet frame out of an interface as it is.
bool Inject(const std::string& interfaceName, const Bytes& frame) {
    const int fd = ::socket(AF_PACKET, SOCK_RAW, 0);
    sockaddr_ll to{};
    to.sll_family = AF_PACKET;
    to.sll_ifindex = static_cast<int>(::if_nametoindex(interfaceName.c_str()));
    to.sll_halen = 6;
    const bool sent = ::sendto(fd, frame.data(), frame.size(), 0, static_cast<sockaddr*>(static_cast<void*>(&to)),
                               sizeof to) == static_cast<ssize_t>(frame.size());
    ::close(fd);
    return sent;
}

TEST(AgentNetworkTest, ListeningOnEveryAddressItHidesOnlyItsOwnConnections) {
    if (!Root()) GTEST_SKIP() << "needs root";
    VethNamespace veth("f", "10.77.0.1/24");
    ASSERT_TRUE(veth.made);
    AgentProcess agent("--interface " + veth.inside + " --listen 0.0.0.0 --allow any", veth.Exec());
    ASSERT_TRUE(agent.Running()) << agent.Log();
    const auto port = static_cast<std::uint16_t>(std::stoi(agent.Port()));
    const auto mapper = static_cast<std::uint16_t>(std::stoi(agent.EpmPort()));
    constexpr std::uint32_t kAgent = 0x0A4D0001;  // 10.77.0.1, the agent's host
    constexpr std::uint32_t kOne = 0x0A4D0007;
    constexpr std::uint32_t kOther = 0x0A4D0008;
    struct Case {
        const char* name;
        TcpEnds ends;
        bool kept;
    } cases[] = {
        {"two other hosts, to the agent's port", {kOne, 40001, kOther, port}, true},
        {"two other hosts, from the mapper's port", {kOther, mapper, kOne, 40002}, true},
        {"two other hosts, on port 135", {kOne, 40003, kOther, 135}, true},
        {"a host to the agent's port", {kOne, 40004, kAgent, port}, false},
        {"the agent's mapper to a host", {kAgent, mapper, kOther, 40005}, false},
    };
    const std::string trace = TempPath("every-address.tns");
    const std::string exported = TempPath("every-address.pcap");
    std::thread capture([&] {
        Shell(veth.Exec() + kCli + " capture --server 127.0.0.1 --epm-port " + agent.EpmPort() + " --seconds 3 --out " +
              trace + " >/dev/null 2>&1");
    });
    for (int round = 0; round < 50; ++round) {  // through the whole capture
        for (const auto& c : cases)
            EXPECT_TRUE(
                Inject(veth.outside, test::MakeTcpSegment(c.ends.from, c.ends.fromPort, c.ends.to, c.ends.toPort)))
                << c.name;
        std::this_thread::sleep_for(50ms);
    }
    capture.join();
    ASSERT_EQ(Shell(kCli + " export " + trace + " " + exported + " >/dev/null"), 0);
    const auto segments = TcpSegments(exported);
    for (const auto& c : cases)
        EXPECT_EQ(std::count(segments.begin(), segments.end(), c.ends) > 0, c.kept) << c.name << "\n" << agent.Log();
}

TEST(AgentNetworkTest, StartedAsRootItKeepsOnlyRawCaptureAndPromiscuousModeStillWorks) {
    if (!Root()) GTEST_SKIP() << "needs root";
    VethNamespace veth("i");
    ASSERT_TRUE(veth.made);
    AgentProcess agent("--interface " + veth.inside, veth.Exec());
    ASSERT_TRUE(agent.Running()) << agent.Log();
    // Every thread, not only the first: capabilities and no-new-privileges belong to threads.
    auto expectDropped = [&](const char* when) {
        const auto threads = ThreadPrivileges(agent.Pid());
        EXPECT_GE(threads.size(), 2U) << when;
        for (const auto& [thread, lines] : threads)
            for (const char* held : {"CapEff:\t0000000000002000", "CapPrm:\t0000000000002000",
                                     "CapBnd:\t0000000000002000", "NoNewPrivs:\t1", "Uid:\t65534\t65534\t65534\t65534"})
                EXPECT_NE(lines.find(held), std::string::npos)
                    << when << ", thread " << thread << " lacks " << held << ":\n"
                    << lines;
    };
    expectDropped("at start");
    const std::string trace = TempPath("promisc.tns");
    std::atomic<bool> captured{false};
    std::thread capture([&] {
        Shell(veth.Exec() + kCli + " capture --server 127.0.0.1 --epm-port " + agent.EpmPort() + " --seconds 2 --out " +
              trace + " >/dev/null 2>&1");
        captured = true;
    });
    // The interface is promiscuous while the capture runs.
    bool promiscuous = false;
    support::WaitUntil([&] {
        promiscuous =
            Shell("ip -n " + veth.ns + " -d link show " + veth.inside + " | grep -q 'promiscuity [1-9]'") == 0;
        return promiscuous || captured;
    });
    expectDropped("while capturing");
    capture.join();
    EXPECT_TRUE(promiscuous) << agent.Log();
    EXPECT_EQ(agent.Log().find("failed"), std::string::npos) << agent.Log();
}

// Blocks that a capture has written to its trace file so far (the file is not finished yet).
std::uint32_t BlocksWritten(const std::string& trace) {
    const auto file = core::FileHandle::Open(trace, core::FileHandle::Mode::Read);
    if (!file) return 0;
    const auto scan = capture::ScanTrace(file.Value());
    return scan ? scan.Value().Blocks() : 0;
}

TEST(AgentNetworkTest, TheClientTellsTimeOutsAndUnreachableAgentsAndEndsOnCtrlC) {
    AgentProcess agent("--replay " + kSample + " --loop");
    ASSERT_TRUE(agent.Running());
    const std::string trace = TempPath("interrupted.tns");
    support::Process cli(kCli + " capture --server 127.0.0.1 --epm-port " + agent.EpmPort() + " --out " + trace);
    ASSERT_TRUE(support::WaitUntil([&] { return BlocksWritten(trace) >= 2; })) << "no rounds written";
    ::kill(agent.Pid(), SIGSTOP);
    ASSERT_TRUE(support::WaitUntil([&] { return agent.HoldsUnansweredCall(); })) << "no call in flight";
    cli.Signal(SIGINT);
    // The call in flight gets a second, then it is cancelled: far less than its 30 s time-out.
    EXPECT_TRUE(cli.WaitFor(10s).has_value()) << "Ctrl-C did not end the capture before the call's time-out";
    EXPECT_EQ(Shell(kCli + " info " + trace + " >/dev/null"), 0) << "the trace file was not finished";

    // The agent is still stopped: its port takes the connection, nothing answers.
    struct Case {
        const char* name;
        std::string epmPort;
        const char* says;
    } cases[] = {
        {"a hung agent", agent.EpmPort(),
         "Ping failed - 1460\nThis operation returned because the timeout period expired."},
        {"nothing listening", "1", "Ping failed - 1722\nThe RPC server is unavailable."},
    };
    for (const auto& c : cases) {
        const std::string out =
            Output(kCli + " agent --server 127.0.0.1 --epm-port " + c.epmPort + " --timeout 0.5 ping");
        EXPECT_NE(out.find(c.says), std::string::npos) << c.name << ": " << out;
    }
}

}  // namespace
}  // namespace agentd
