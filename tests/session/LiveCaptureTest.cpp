// Live captures end to end: against the agent of this process through a pause and a
// continue, byte for byte; against palometsrv as a program, frozen (SIGSTOP) under a closing
// window, and under a `palomet-cli capture` killed outright whose trace `recover` gives back.
#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>

#include <sys/wait.h>

#include "agentd/AgentProcess.h"
#include "agentd/PcapSource.h"
#include "capture/PcapExport.h"
#include "session/AgentTestKit.h"
#include "session/CaptureThread.h"
#include "support/Programs.h"
#include "support/WaitUntil.h"

namespace session::test {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

using agentd::test::kBin;
using agentd::test::kSample;
using support::WaitUntil;

TEST(LiveCapture, PauseAndContinueLoseNothingOfTheReplay) {
    // At most 100 frames a round, so that the pause comes in the middle of the file.
    agentd::AgentConfig config;
    config.sources = [](const capture::CPktSnapConf&) { return agentd::PcapSource::OpenReplay(kSample, {}); };
    config.engineLimits.maxFrames = 100;
    InProcessAgent agent(std::move(config));
    TestApp app(agent.Port());
    const auto path = support::TempPath("live.tns");
    auto doc = app.Open("localhost", path);
    ASSERT_TRUE(doc);
    SteadyCaptureClock clock;
    CaptureThread::Options options;
    options.round = 50ms;
    options.peeksPerRound = 1;
    CaptureThread thread(*doc, doc->TakeTraceFile(), options, clock, {}, {});
    thread.Start();
    ASSERT_TRUE(WaitUntil([&] { return thread.FrameCount() > 0; }));
    thread.TogglePause();
    ASSERT_TRUE(WaitUntil([&] { return thread.Paused(); }));
    const std::uint32_t paused = thread.FrameCount();
    thread.TogglePause();  // the second snapper replays the whole file
    ASSERT_TRUE(WaitUntil([&] { return thread.FrameCount() + 20 >= paused + 600; }));  // the rest is drained
    ASSERT_TRUE(thread.Stop().Ok());
    EXPECT_EQ(thread.ProblemsReported(), 0u);

    // Numbered from 0 across both snappers, as the agent numbered them.
    auto reader = testutil::OpenValid(path);
    capture::CPktSnap batch;
    std::uint32_t next = 0;
    for (auto moved = reader.Go(capture::TraceReader::Move::First, batch); moved && moved.Value();
         moved = reader.Go(capture::TraceReader::Move::Next, batch))
        for (const auto& frame : batch.Frames()) EXPECT_EQ(frame.GetFrameNumber(), next++);
    EXPECT_EQ(next, paused + 600);
    // Byte for byte: the file's frames up to the pause, then the whole file again.
    auto exporting = testutil::OpenValid(path);
    ASSERT_TRUE(capture::ExportPcap(exporting, path + ".pcap").Ok());
    const auto original = PcapRecords(kSample);
    auto expected = original;
    expected.insert(expected.begin(), original.begin(), original.begin() + paused);
    EXPECT_TRUE(PcapRecords(path + ".pcap") == expected);
}

// An agent that could not deliver every frame (a live interface, its queue of 50 frames
// overrun by a burst of 3000) against one that could: palomet-cli capture tells them apart
// by its exit status, and says how many were lost in its summary and its JSON.
TEST(LiveCapture, ACaptureThatLostFramesEndsWithItsOwnStatus) {
    struct Case {
        const char* name;
        bool lossless;
        const char* options;
        int status;
        const char* says;
    };
    const Case cases[] = {
        {"lossy", false, "--json", 3, "\"frames\": 50, \"blocks\": 1, "},
        {"lossy", false, "--json", 3, "\"framesLost\": 2950, \"stopped\": \"frame count reached\", \"status\": 3}"},
        {"lossy", false, "", 3, "50 frames in 1 blocks written to "},
        {"lossy", false, "", 3, "; 2950 frames lost: the agent could not deliver them\n"},
        {"clean", true, "--json", 0, "\"framesLost\": 0, "},
        {"clean", true, "", 0, "50 frames in 1 blocks written to "},
    };
    for (const auto& c : cases) {
        agentd::AgentConfig config;
        config.sources = [lossless = c.lossless](const capture::CPktSnapConf&) {
            return core::Result<std::unique_ptr<agentd::FrameSource>>(
                std::make_unique<agentd::test::ListSource>(agentd::test::NumberedFrames(3000), lossless));
        };
        config.engineLimits.maxFrames = 50;
        InProcessAgent agent(std::move(config));
        const auto path = support::TempPath(std::string(c.name) + ".tns");
        const auto out = path + ".out";
        const int raw =
            std::system(("PALOMET_SERVICE_CHECK=off " + kBin + "/palomet-cli capture --server 127.0.0.1 --epm-port " +
                         std::to_string(agent.Port()) + " --out " + path + " --frames 50 " + c.options + " > " + out)
                            .c_str());
        ASSERT_TRUE(WIFEXITED(raw));
        EXPECT_EQ(WEXITSTATUS(raw), c.status) << c.name << " " << c.options;
        const auto said = support::ReadBytes(out);
        const std::string text(said.begin(), said.end());
        EXPECT_NE(text.find(c.says), std::string::npos) << c.name << " " << c.options << "\n" << text;
        EXPECT_EQ(testutil::OpenValid(path).FrameCount(), 50u);
    }
}

// palometsrv replaying the sample in a loop at its own pace, on free ports.
struct AgentProgram : agentd::test::AgentProcess {
    AgentProgram() : AgentProcess("--replay " + kSample + " --loop --speed 1") {}
    std::uint16_t EpmPortNumber() const { return static_cast<std::uint16_t>(std::stoi(EpmPort())); }
};

// The filter reached the agent: nothing but UDP came in.
void ExpectOnlyUdp(const std::string& path) {
    const auto list = support::Run(kBin + "/palomet-cli list " + path + " --level transport --tsv");
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_NE(list.out.find("UDP"), std::string::npos);
    EXPECT_EQ(list.out.find("TCP"), std::string::npos);
}

TEST(LiveCapture, AWindowOnAHungAgentClosesAndFinishesItsFile) {
    AgentProgram agent;
    TestApp app(agent.EpmPortNumber());
    const auto path = support::TempPath("hung.tns");
    auto doc = app.Open("127.0.0.1", path);
    ASSERT_TRUE(doc);
    SteadyCaptureClock clock;
    CaptureThread thread(*doc, doc->TakeTraceFile(), {}, clock, {}, {});
    thread.Start();
    ASSERT_TRUE(WaitUntil([&] { return thread.FrameCount() > 0; }));
    ::kill(agent.Pid(), SIGSTOP);
    ASSERT_TRUE(WaitUntil([&] { return agent.HoldsUnansweredCall(); }));  // the next round's query
    const auto closing = std::chrono::steady_clock::now();
    EXPECT_TRUE(thread.Stop().Ok());
    doc.reset();
    const double closed = std::chrono::duration<double>(std::chrono::steady_clock::now() - closing).count();
    RecordProperty("closeSeconds", std::to_string(closed));  // a figure for the record, not a limit
    std::cout << "closing on a hung agent took " << closed << " s\n";
    EXPECT_EQ(testutil::OpenValid(path).FrameCount(), thread.FrameCount());
}

TEST(LiveCapture, AKilledCaptureIsRecoveredBlockForBlock) {
    AgentProgram agent;
    const auto path = support::TempPath("killed.tns");
    support::Process capture(kBin + "/palomet-cli capture --server 127.0.0.1 --epm-port " + agent.EpmPort() +
                             " --out " + path + " --layers ethernet,ipv4,udp,dns,nbns");
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(path) && std::filesystem::file_size(path) > 100000; }));
    capture.Signal(SIGKILL);
    capture.Wait();
    const auto killed = support::ReadBytes(path);
    const auto recover = support::Run(kBin + "/palomet-cli recover " + path);
    ASSERT_EQ(recover.status, 0) << recover.err;
    const auto recovered = support::ReadBytes(path);
    auto reader = testutil::OpenValid(path);
    EXPECT_GE(reader.BlockCount(), 2u);
    ASSERT_LE(recovered.size(), killed.size());
    EXPECT_TRUE(std::equal(recovered.begin() + 24, recovered.end(), killed.begin() + 24));
    // Whatever was dropped is one block cut short: its lead record points past the end.
    if (recovered.size() + 12 <= killed.size()) {
        EXPECT_GT(testutil::Le32At(killed, recovered.size() + 8), killed.size());
    }
    ExpectOnlyUdp(path);
}

TEST(LiveCapture, AStoredProfileSuppliesEveryCaptureSetting) {
    AgentProgram agent;
    const auto path = support::TempPath("profile.tns");
    const auto registry = support::TempPath("registry.sqlite");
    const std::string cli = kBin + "/palomet-cli ";
    const auto added = support::Run(cli + "profile add names --registry " + registry + " --server 127.0.0.1 --out " +
                                    path + " --layers ethernet,ipv4,udp,dns,nbns");
    ASSERT_EQ(added.status, 0) << added.err;
    const std::string byProfile = cli + "capture --registry " + registry + " --epm-port " + agent.EpmPort();
    const auto captured = support::Run(byProfile + " --profile NAMES --frames 200");
    ASSERT_EQ(captured.status, 0) << captured.err;
    ExpectOnlyUdp(path);
    EXPECT_NE(support::Run(byProfile + " --profile nothere").status, 0);
    EXPECT_NE(support::Run(byProfile + " --frames 5").status, 0) << "no profile, no server";
}

}  // namespace
}  // namespace session::test
