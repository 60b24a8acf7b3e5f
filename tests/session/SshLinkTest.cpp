// Agents reached through ssh:// against a real sshd (SshFixture): the same frames as a direct
// capture; each way a login fails, told with ssh's words and 1722; one SSH connection for
// every window and the services of a host, closed with the last of them; Ctrl-C and a
// dropped connection in the middle of a capture.
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <regex>

#include "capture/PcapExport.h"
#include "platform/HostCommand.h"
#include "platform/SshConnection.h"
#include "session/AgentTestKit.h"
#include "session/CaptureThread.h"
#include "session/SshFixture.h"
#include "support/Programs.h"
#include "support/Scratch.h"
#include "support/WaitUntil.h"

namespace session::test {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

const std::string kBin = PALOMET_BIN_DIR;
const std::string kCli = kBin + "/palomet-cli";
const std::string kSample = std::string(PALOMET_SOURCE_DIR) + "/tests/agentd/data/lan-600.pcap";

struct Ran {
    int status = -1;
    std::string text;  // standard output and error
};

Ran RunShell(const std::string& command) {
    Ran ran;
    std::FILE* out = ::popen((command + " 2>&1").c_str(), "r");
    if (out == nullptr) return ran;
    std::array<char, 4096> buffer{};
    for (std::size_t n = 0; (n = std::fread(buffer.data(), 1, buffer.size(), out)) > 0;)
        ran.text.append(buffer.data(), n);
    const int raw = ::pclose(out);
    ran.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return ran;
}

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// palometsrv on loopback, as its host's agent: nothing but the loopback, no --allow.
struct Agent : support::Process {
    explicit Agent(const std::string& replay = "")
        : support::Process(kBin + "/palometsrv --replay " + kSample + " " + replay + " --port 0 --epm-port 0") {
        std::smatch m;
        const std::string line = Line();
        if (std::regex_search(line, m, std::regex("mapper on port (\\d+)"))) epmPort = m[1];
    }
    std::string epmPort;
};

// The frames of a trace file as pcap records (header and bytes), in order.
std::vector<Bytes> Records(const std::string& trace) {
    auto reader = testutil::OpenValid(trace);
    EXPECT_TRUE(capture::ExportPcap(reader, trace + ".pcap").Ok());
    return PcapRecords(trace + ".pcap");
}

class SshLink : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_host = std::make_unique<SshFixture>(); }
    static void TearDownTestSuite() { s_host.reset(); }

    void SetUp() override {
        PALOMET_NEED_SSHD(*s_host);
        // The control sockets go where the test sees them (a short path, as a socket's must
        // be): a connection closed is a folder gone.
        std::string runtime = "/tmp/palomet-runtime-XXXXXX";
        ASSERT_NE(::mkdtemp(runtime.data()), nullptr);
        m_runtime = runtime;
        ::setenv("XDG_RUNTIME_DIR", m_runtime.c_str(), 1);
        ::setenv("PALOMET_SSH", s_host->Ssh().c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("PALOMET_SSH");
        std::filesystem::remove_all(m_runtime);
    }

    // The command line's environment: this ssh, this runtime folder.
    std::string With(const std::string& ssh = "ssh") const {
        return "env PALOMET_SSH=" + (ssh.front() == '/' ? ssh : s_host->Ssh(ssh)) + " XDG_RUNTIME_DIR=" + m_runtime +
               " ";
    }
    bool NoConnectionLeft() const { return std::filesystem::is_empty(m_runtime); }

    static inline std::unique_ptr<SshFixture> s_host;
    std::string m_runtime;
};

TEST_F(SshLink, ACaptureThroughSshHoldsTheFramesOfADirectOneByteForByte) {
    Agent agent;  // every new snapper replays the sample from its first frame
    const auto direct = support::TempPath("direct.tns");
    const auto tunnelled = support::TempPath("ssh.tns");
    const std::string options = " --epm-port " + agent.epmPort + " --frames 600";
    const int logins = s_host->Logins();
    const Ran viaTcp = RunShell(kCli + " capture --server 127.0.0.1 --out " + direct + options);
    ASSERT_EQ(viaTcp.status, 0) << viaTcp.text;
    const Ran viaSsh =
        RunShell(With() + kCli + " capture --server " + s_host->Server() + " --out " + tunnelled + options);
    ASSERT_EQ(viaSsh.status, 0) << viaSsh.text;
    EXPECT_EQ(s_host->Logins(), logins + 1) << "one SSH connection carries the mapper's and the agent's streams";
    EXPECT_TRUE(NoConnectionLeft());

    const auto expected = Records(direct);
    EXPECT_EQ(expected.size(), 600u);
    EXPECT_TRUE(Records(tunnelled) == expected);
}

TEST_F(SshLink, EveryLoginThatFailsSaysWhyWith1722AndNeverWaitsForAnAnswer) {
    Agent agent;
    const struct {
        const char* name;
        std::string ssh;
        std::string epmPort;
        std::vector<std::string> says;
    } cases[] = {
        {"an unknown host key",
         "ssh-unknown",
         agent.epmPort,
         {"SSH login failed - 1722\n", "is not in known_hosts",
          "requested strict checking.\nHost key verification failed."}},
        {"a changed host key",
         "ssh-changed",
         agent.epmPort,
         {"SSH login failed - 1722\n", "is not the one known_hosts holds",
          "has changed and you have requested strict checking."}},
        {"a key the host refuses",
         "ssh-wrongkey",
         agent.epmPort,
         {"SSH login failed - 1722\n", "refused every key", "Permission denied (publickey)."}},
        {"no ssh program",
         "/nonexistent/ssh",
         agent.epmPort,
         {"SSH login failed - 1722\n", "\"/nonexistent/ssh\" could not be started: No such file or directory"}},
        {"no mapper behind sshd",
         "ssh",
         "1",
         {"Ping failed - 1722\nThe RPC server is unavailable.\n", "opened no channel to port 1 of its loopback",
          "Stdio forwarding request failed"}},
    };
    // timeout(1) ends a program that would wait for an answer: never reached here.
    const std::string ping = "timeout 60 " + kCli + " agent --timeout 20 --server " + s_host->Server();
    for (const auto& c : cases) {
        const Ran ran = RunShell(With(c.ssh) + ping + " --epm-port " + c.epmPort + " ping </dev/null");
        EXPECT_EQ(ran.status, 1) << c.name << ": " << ran.text;
        for (const auto& part : c.says) EXPECT_NE(ran.text.find(part), std::string::npos) << c.name << ": " << ran.text;
        EXPECT_TRUE(NoConnectionLeft()) << c.name;
    }
    s_host->Stop();
    const Ran stopped = RunShell(With() + ping + " --epm-port " + agent.epmPort + " ping </dev/null");
    s_host->Restart();
    EXPECT_EQ(stopped.status, 1) << stopped.text;
    for (const char* part : {"SSH login failed - 1722\n", "cannot be reached over SSH", "Connection refused"})
        EXPECT_NE(stopped.text.find(part), std::string::npos) << stopped.text;
}

TEST_F(SshLink, WindowsAndServicesOfAHostShareOneConnectionThatTheLastOneCloses) {
    InProcessAgent agent;
    TestApp app(agent.Port());
    const std::string server = s_host->Server();
    const auto destination = platform::ParseSshServer(server).Value();
    const int logins = s_host->Logins();
    auto first = app.Open(server, support::TempPath("first.tns"));
    auto second = app.Open(server, support::TempPath("second.tns"));
    ASSERT_TRUE(first && second) << (app.Said().empty() ? "" : app.Said()[0]);
    EXPECT_EQ(app.bindings.References(destination.Url()), 2u);
    EXPECT_EQ(agent.Calls(rpc::AgentOp::Ping), 1);
    // The service layer's commands to the host ride the same connection.
    const auto echoed = platform::RunOnHost(server, "echo shared", {}, 20s);
    ASSERT_TRUE(echoed) << echoed.Err().message;
    EXPECT_EQ(echoed.Value().out, "shared\n");
    EXPECT_EQ(s_host->Logins(), logins + 1);

    first.reset();
    EXPECT_TRUE(platform::SshConnection::LiveControlPath(destination).has_value());
    EXPECT_FALSE(NoConnectionLeft());
    second.reset();
    EXPECT_FALSE(platform::SshConnection::LiveControlPath(destination).has_value());
    EXPECT_TRUE(NoConnectionLeft()) << "the last window took the connection with it";
    EXPECT_EQ(agent.Calls(rpc::AgentOp::SnapSessionClose), 1);
    // Without a window the services log in on their own, as ever.
    ASSERT_TRUE(platform::RunOnHost(server, "true", {}, 20s));
    EXPECT_EQ(s_host->Logins(), logins + 2);
}

TEST_F(SshLink, CtrlCDuringACaptureThroughSshFinishesTheFile) {
    Agent agent("--loop --speed 1");
    const auto path = support::TempPath("interrupted.tns");
    std::filesystem::remove(path);
    support::Process capture(With() + kCli + " capture --server " + s_host->Server() + " --epm-port " + agent.epmPort +
                             " --out " + path);
    ASSERT_TRUE(
        support::WaitUntil([&] { return std::filesystem::exists(path) && std::filesystem::file_size(path) > 2000; }));
    capture.Signal(SIGINT);
    capture.Wait();
    EXPECT_GT(testutil::OpenValid(path).FrameCount(), 0u);
    EXPECT_TRUE(NoConnectionLeft());
}

TEST_F(SshLink, AWindowOnAHungAgentBehindSshClosesAndFinishesItsFile) {
    Agent agent("--loop --speed 1");
    TestApp app(static_cast<std::uint16_t>(std::stoi(agent.epmPort)));
    const auto path = support::TempPath("hung.tns");
    auto doc = app.Open(s_host->Server(), path);
    ASSERT_TRUE(doc) << (app.Said().empty() ? "" : app.Said()[0]);
    SteadyCaptureClock clock;
    CaptureThread thread(*doc, doc->TakeTraceFile(), {}, clock, {}, {});
    thread.Start();
    ASSERT_TRUE(support::WaitUntil([&] { return thread.FrameCount() > 0; }));
    agent.Signal(SIGSTOP);
    std::this_thread::sleep_for(600ms);  // the next round's query is in flight in its channel, unanswered
    EXPECT_TRUE(thread.Stop().Ok());
    doc.reset();
    EXPECT_EQ(testutil::OpenValid(path).FrameCount(), thread.FrameCount());
    EXPECT_TRUE(NoConnectionLeft());
}

TEST_F(SshLink, ADroppedConnectionIsToldOnceAndTheCaptureGoesOnThroughANewOne) {
    Agent agent("--loop --speed 1");
    const auto path = support::TempPath("dropped.tns");
    const auto said = support::TempPath("dropped.err");
    std::filesystem::remove(path);
    const int logins = s_host->Logins();
    support::Process capture(With() + kCli + " capture --server " + s_host->Server() + " --epm-port " + agent.epmPort +
                             " --out " + path + " --seconds 12 2>" + said);
    ASSERT_TRUE(
        support::WaitUntil([&] { return std::filesystem::exists(path) && std::filesystem::file_size(path) > 2000; }));
    s_host->Drop();
    const auto atDrop = std::filesystem::file_size(path);
    capture.Wait();
    const auto text = support::ReadBytes(said);
    const std::string told(text.begin(), text.end());
    EXPECT_EQ(Count(told, " failed - "), 1u) << told;
    EXPECT_EQ(s_host->Logins(), logins + 2) << "the capture logged in again";
    auto reader = testutil::OpenValid(path);
    EXPECT_GT(std::filesystem::file_size(path), atDrop + 2000) << "blocks came after the drop";
    // Numbered on without a gap or a frame twice.
    capture::CPktSnap batch;
    std::uint32_t next = 0;
    for (auto moved = reader.Go(capture::TraceReader::Move::First, batch); moved && moved.Value();
         moved = reader.Go(capture::TraceReader::Move::Next, batch))
        for (const auto& frame : batch.Frames()) EXPECT_EQ(frame.GetFrameNumber(), next++);
    EXPECT_TRUE(NoConnectionLeft());
}

}  // namespace
}  // namespace session::test
