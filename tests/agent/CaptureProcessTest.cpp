// Live captures against palometsrv as a program: a window closing while the agent hangs
// (SIGSTOP), and a `palomet-cli capture` killed outright whose trace `recover` gives back.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <regex>

#include "agent/CaptureThread.h"
#include "agent/ChildProcess.h"
#include "agent/DocumentTestKit.h"

namespace agent::test {
namespace {

using namespace std::chrono_literals;

const std::string kBin = PALOMET_BIN_DIR;
const std::string kSample = std::string(PALOMET_SOURCE_DIR) + "/tests/agentd/data/lan-600.pcap";

// palometsrv replaying the sample in a loop at its own pace, on free ports.
struct AgentProgram {
    AgentProgram()
        : process({kBin + "/palometsrv", "--replay", kSample, "--loop", "--speed", "1", "--port", "0", "--epm-port", "0"}) {
        std::smatch m;
        const std::string line = process.ReadLine();
        if (std::regex_search(line, m, std::regex("mapper on port (\\d+)"))) epmPort = static_cast<std::uint16_t>(std::stoi(m[1]));
    }
    ChildProcess process;
    std::uint16_t epmPort = 0;
};

bool WaitFor(const std::function<bool()>& done) {
    const auto giveUp = std::chrono::steady_clock::now() + 60s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > giveUp) return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

TEST(CaptureProcess, AWindowOnAHungAgentClosesAndFinishesItsFile) {
    AgentProgram agent;
    ASSERT_NE(agent.epmPort, 0);
    TestApp app(agent.epmPort);
    const auto path = testutil::TempPath("hung.tns");
    auto doc = app.Open("127.0.0.1", path);
    ASSERT_TRUE(doc);
    SteadyCaptureClock clock;
    CaptureThread thread(*doc, doc->TakeTraceFile(), {}, clock, {}, {});
    thread.Start();
    ASSERT_TRUE(WaitFor([&] { return thread.FrameCount() > 0; }));
    agent.process.Signal(SIGSTOP);
    std::this_thread::sleep_for(600ms);  // the next round's query is now in flight
    const auto closing = std::chrono::steady_clock::now();
    EXPECT_TRUE(thread.Stop().Ok());
    doc.reset();
    const auto closed = std::chrono::duration<double>(std::chrono::steady_clock::now() - closing).count();
    agent.process.Signal(SIGCONT);
    // A figure for the record, not a limit this test holds the code to.
    RecordProperty("closeSeconds", std::to_string(closed));
    std::cout << "closing on a hung agent took " << closed << " s\n";
    auto reader = testutil::OpenValid(path);
    EXPECT_EQ(reader.FrameCount(), thread.FrameCount());
    EXPECT_GT(reader.FrameCount(), 0u);
}

TEST(CaptureProcess, AKilledCaptureIsRecoveredBlockForBlock) {
    AgentProgram agent;
    ASSERT_NE(agent.epmPort, 0);
    const auto path = testutil::TempPath("killed.tns");
    std::filesystem::remove(path);
    ChildProcess capture({kBin + "/palomet-cli", "capture", "--server", "127.0.0.1", "--epm-port",
                          std::to_string(agent.epmPort), "--out", path});
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(path) && std::filesystem::file_size(path) > (600u << 10); }));
    capture.Signal(SIGKILL);
    capture.Wait();
    const auto killed = testutil::ReadAll(path);
    EXPECT_NE(std::system((kBin + "/palomet-cli info " + path + " >/dev/null 2>&1").c_str()), 0)
        << "a killed capture's header has no counts";

    ASSERT_EQ(std::system((kBin + "/palomet-cli recover " + path).c_str()), 0);
    const auto recovered = testutil::ReadAll(path);
    auto reader = testutil::OpenValid(path);
    EXPECT_GE(reader.BlockCount(), 2u);
    ASSERT_LE(recovered.size(), killed.size());
    EXPECT_TRUE(std::equal(recovered.begin() + 24, recovered.end(), killed.begin() + 24));
    // Whatever was dropped is one block cut short: its lead record points past the end.
    if (recovered.size() + 12 <= killed.size()) {
        EXPECT_GT(testutil::Le32At(killed, recovered.size() + 8), killed.size());
    }
    EXPECT_EQ(std::system((kBin + "/palomet-cli list " + path + " --count 1 >/dev/null").c_str()), 0);
}

// palomet-cli with args; its exit status and what it said on stdout and stderr.
struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

CliRun Cli(const std::string& args) {
    const std::string errFile = testutil::TempPath("stderr.txt");
    CliRun r;
    std::FILE* pipe = ::popen((kBin + "/palomet-cli " + args + " 2>" + errFile).c_str(), "r");
    if (pipe == nullptr) return r;
    std::array<char, 4096> buf{};
    for (std::size_t got = 0; (got = std::fread(buf.data(), 1, buf.size(), pipe)) > 0;) r.out.append(buf.data(), got);
    const int raw = ::pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream err(errFile);
    r.err.assign(std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>());
    return r;
}

TEST(CaptureCommand, OptionsReachTheAgentOrAreRefused) {
    AgentProgram agent;
    ASSERT_NE(agent.epmPort, 0);
    const std::string session = "capture --server 127.0.0.1 --epm-port " + std::to_string(agent.epmPort) + " --out ";
    const auto trace = testutil::TempPath("cmd.tns");
    // A stored profile that captures name resolution only; capture --profile takes it whole.
    const auto registry = testutil::TempPath("registry.sqlite");
    std::filesystem::remove(registry);
    ASSERT_EQ(Cli("profile add names --registry " + registry + " --server 127.0.0.1 --out " + trace +
                  " --layers ethernet,ipv4,udp,dns,nbns").status, 0);
    const std::string byProfile = "capture --registry " + registry + " --epm-port " + std::to_string(agent.epmPort);
    struct Case {
        std::string args;
        int status;
        const char* said;  // on stderr
    };
    const Case cases[] = {
        {session + trace + " --size-limit 12XB", 1, "--size-limit takes N, NKB or NMB"},
        {session + trace + " --layers tcp,gopher", 1, "unknown layer 'gopher'"},
        {session + "/proc/none/x.tns --seconds 1", 1, "Trace file could not be opened!\n/proc/none/x.tns"},
        {session + trace + " --size-limit 64KB", 0, "capture: size limit reached"},
        {session + trace + " --layers ethernet,ipv4,udp,dns,nbns --frames 200", 0, "capture: frame count reached"},
        {byProfile + " --profile NAMES --frames 200", 0, "capture: frame count reached"},
        {byProfile + " --profile nothere", 1, "capture: No session profile named \"nothere\"."},
        {byProfile + " --frames 5", 1, "--server and --out are required unless --profile names a session profile"},
    };
    for (const auto& c : cases) {
        const CliRun run = Cli(c.args);
        EXPECT_EQ(run.status, c.status) << c.args << "\n" << run.err;
        EXPECT_NE(run.err.find(c.said), std::string::npos) << c.args << "\n" << run.err;
        if (c.status != 0) continue;
        const CliRun list = Cli("list " + trace + " --level transport --tsv");
        EXPECT_EQ(list.status, 0);
        if (c.args.find("--layers") != std::string::npos || c.args.find("--profile") != std::string::npos) {
            EXPECT_EQ(list.out.find("TCP"), std::string::npos) << "the agent keeps only what the filter names";
            EXPECT_NE(list.out.find("UDP"), std::string::npos);
        } else {
            EXPECT_GE(std::filesystem::file_size(trace), 64u * 1024);
        }
    }
}

}  // namespace
}  // namespace agent::test
