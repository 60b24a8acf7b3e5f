// The capture thread against a scripted agent and a jumping clock: the rounds, the peek
// threshold, the limits, pause and continue, draining before every stop of the snapper, and
// what it tells the user when the agent or the disk fails it.
#include <gtest/gtest.h>

#include <numeric>
#include <sstream>

#include "capture/TraceFileMutex.h"
#include "session/CaptureTestKit.h"
#include "session/CaptureThread.h"

namespace session::test {
namespace {

using namespace std::chrono_literals;

// One capture thread on a fresh trace file, with all it reports kept.
struct CaptureRun {
    explicit CaptureRun(const CaptureThread::Options& options) {
        auto file = core::FileHandle::Open(path, core::FileHandle::Mode::Create);
        thread = std::make_unique<CaptureThread>(
            agent, std::move(file).Value(), options, clock, [this] { pausedAt.push_back(clock.Elapsed().count()); },
            [this](const std::string& text, std::shared_ptr<platform::ManualResetEvent> answered) {
                messages.push_back(text);
                if (onMessage)
                    onMessage(text, *answered);
                else
                    answered->Set();
            });
    }
    // Runs the script on the capture thread at every wait until it stops the thread.
    void Go(const std::function<void(int)>& script) {
        clock.script = script;
        thread->Start();
        ASSERT_TRUE(WaitForEnd());
        EXPECT_TRUE(thread->Stop().Ok());
    }
    bool WaitForEnd() const {
        for (int i = 0; i < 60000 && !thread->Ended(); ++i) std::this_thread::sleep_for(1ms);
        return thread->Ended();
    }
    // Frames of each block of the finished file, which must validate and number on from 0.
    std::vector<std::uint32_t> BlockFrames() const {
        std::vector<std::uint32_t> frames;
        const auto blocks = testutil::OpenValid(path).ListBlocks();
        for (const auto& block : blocks.Value()) {
            EXPECT_EQ(block.lead.first, std::accumulate(frames.begin(), frames.end(), 0u));
            frames.push_back(block.lead.FrameCount());
        }
        return frames;
    }

    std::string path = testutil::TempPath("live.tns");
    FakeAgent agent;
    FakeClock clock;
    std::unique_ptr<CaptureThread> thread;
    std::vector<long> pausedAt;  // ms on the clock
    std::vector<std::string> messages;
    std::function<void(const std::string&, platform::ManualResetEvent&)> onMessage;
};

// A scenario's set-up ("time=60 size=1024 target=5 perRound=2 peekMax=40 start=1723") and
// script ("1:capture 20 2:stop": at wait 1 capture 20 frames, at wait 2 ask the thread to
// stop; also advance N (seconds), toggle, query=S (next query's status), peek=S, start=S,
// badpeek, drop N (numbered, never delivered), again (the last peek handed over again),
// ownnumbers (a new snapper numbers from 0)). Frames are 1000 bytes of noise.
struct Scenario {
    const char* name;
    const char* setup;
    const char* script;
    std::vector<std::uint32_t> blocks{};  // frames per block
    const char* calls = "";               // the agent's call log ("...x" for one that ends in x)
    std::vector<long> pausedAt{};
    const char* flags = "";               // of paused, time, size, target
    std::vector<std::string> messages{};  // how each one starts
    std::uint64_t lost = 0;               // frames the agent numbered and never delivered
};

void PrintTo(const Scenario& s, std::ostream* os) { *os << s.name; }

CaptureThread::Options OptionsOf(const Scenario& s, FakeAgent& agent) {
    CaptureThread::Options o;
    std::istringstream in(s.setup);
    for (std::string word; in >> word;) {
        const auto key = word.substr(0, word.find('='));
        const auto value = std::stoull(word.substr(word.find('=') + 1));
        if (key == "time") o.timeLimitSeconds = value;
        if (key == "size") o.sizeLimitBytes = value;
        if (key == "target") o.frameTarget = static_cast<std::uint32_t>(value);
        if (key == "perRound") o.peeksPerRound = static_cast<int>(value);
        if (key == "peekMax") agent.peekMax = value;
        if (key == "start") agent.startStatus = static_cast<rpc::RpcStatus>(value);
    }
    return o;
}

// Runs the steps of the script that are due at this wait.
void RunScript(CaptureRun& r, const std::string& script, int wait) {
    std::istringstream in(script);
    for (std::string step; in >> step;) {
        const std::string action = step.substr(step.find(':') + 1);
        std::string count;
        if (action == "capture" || action == "advance" || action == "drop") in >> count;
        if (std::stoi(step) != wait) continue;
        const auto status = static_cast<rpc::RpcStatus>(std::stoul("0" + action.substr(action.find('=') + 1)));
        if (action == "capture") r.agent.Capture(std::stoul(count), 1000);
        if (action == "advance") r.clock.now += std::chrono::seconds(std::stoul(count));
        if (action == "toggle") r.thread->TogglePause();
        if (action == "stop") r.thread->RequestStop();
        if (action == "badpeek") r.agent.badPeek = true;
        if (action == "drop") r.agent.Drop(static_cast<std::uint32_t>(std::stoul(count)));
        if (action == "again") r.agent.HandOverAgain();
        if (action == "ownnumbers") r.agent.ownNumbers = true;
        if (action.starts_with("query=")) r.agent.queryStatuses.push_back(status);
        if (action.starts_with("peek=")) r.agent.peekStatus = status;
        if (action.starts_with("start=")) r.agent.startStatus = status;
    }
}

const Scenario kScenarios[] = {
    {"PendingTwentyWaitsForTheDrainAtStop", "", "1:capture 20 2:stop", {20}, "start 0, query, query, peek, stop"},
    {"PendingTwentyOnePeeksInTheRound", "", "1:capture 21 2:stop", {21}, "start 0, query, peek, query, query, stop"},
    {"ARoundThatLeavesMoreIsFollowedAtOnce",
     "perRound=2 peekMax=40 time=1",
     "1:capture 100 4:stop",
     {40, 40, 20},
     "start 0, query, peek, query, peek, query, query, peek, stop",
     {1000},
     "paused time"},
    {"TimeLimitPausesOnTheFirstRoundAtSixtySeconds",
     "time=60",
     "1:capture 25 121:stop",
     {25},
     "...query, query, stop",
     {60000},
     "paused time"},
    {"SizeLimitFiresOnAPauseRequestTooAndPausesOnce",
     "size=1024",
     "1:capture 30 2:toggle 3:stop",
     {30},
     "start 0, query, peek, query, stop",
     {500},
     "paused size"},
    {"BothLimitsInOneRoundSetBothFlagsAndPauseOnce",
     "time=60 size=1024",
     "119:capture 30 121:stop",
     {30},
     "...query, query, peek, query, stop",
     {60000, 60000},
     "paused time size"},
    // 4097 MiB and 1193047 hours: 32-bit products would make them 1 MiB and 1904 s.
    {"LimitsAreWidened", "size=4296015872 time=4294969200", "1:capture 1100 2:advance 2000 4:stop", {1000, 100}},
    {"ContinueAfterATimeLimitNumbersOnWithoutTimeLimit",
     "time=60",
     "1:capture 25 121:toggle 122:capture 25 400:stop",
     {25, 25},
     "...query, query, stop",
     {60000},
     "time"},
    {"StopWhilePausedMakesNoAgentCall",
     "",
     "1:capture 30 2:toggle 3:stop",
     {30},
     "start 0, query, peek, query, query, stop",
     {},
     "paused"},
    {"PauseDrainsAndContinueNumbersOn",
     "",
     "1:capture 7 2:toggle 3:toggle 4:capture 3 5:stop",
     {7, 3},
     "start 0, query, query, peek, stop, start 7, query, query, peek, stop"},
    {"AStopRequestNeverBecomesALimitPause",
     "size=1024",
     "1:capture 30 2:stop",
     {30},
     "start 0, query, peek, query, stop"},
    {"FrameTargetPeeksTheLastFewAndPausesWithoutDrain",
     "target=5",
     "1:capture 5 2:stop",
     {5},
     "start 0, query, peek, stop",
     {500},
     "paused target"},
    {"ALostSnapperIsToldOnceAndStartedAgainFromTheFileCount",
     "",
     "1:capture 25 2:query=6 3:capture 21 4:stop",
     {25, 21},
     "start 0, query, peek, query, query, start 25, query, peek, query, query, stop",
     {},
     "",
     {"The connection to the agent was lost"}},
    {"FailingQueriesAreToldOnceUntilOneGetsThrough",
     "",
     "1:query=1726 2:query=1726 3:query=0 4:query=1726 5:stop",
     {},
     "",
     {},
     "",
     {"SnapSnapperQueryA failed - 1726\n", "SnapSnapperQueryA failed - 1726\n"}},
    {"EveryFailedPeekIsTold",
     "",
     "1:peek=1726 1:capture 21 3:stop",
     {},
     "",
     {},
     "",
     {"SnapSnapperPeekA failed - 1726\n", "SnapSnapperPeekA failed - 1726\n", "SnapSnapperPeekA failed - 1726\n"}},
    {"ABatchThatContradictsItsCountIsRefused",
     "",
     "1:capture 21 1:badpeek 2:stop",
     {21},
     "",
     {},
     "",
     {"A batch from the agent was refused and not written: batch holds 3 frames, the peek announces 5"}},
    {"FramesTheAgentCouldNotDeliverAreCounted",
     "",
     "1:capture 25 2:drop 2950 2:capture 25 3:stop",
     {25, 25},
     "",
     {},
     "",
     {},
     2950},
    {"ABatchHandedOverAgainAfterALossIsWrittenOnce",
     "",
     "1:capture 25 2:drop 100 2:capture 25 3:again 4:stop",
     {25, 25},
     "",
     {},
     "",
     {},
     100},
    {"ASnapperThatNumbersItsOwnWayAfterARestartLosesNothing",
     "",
     "1:capture 25 2:query=6 2:ownnumbers 3:capture 25 4:stop",
     {25, 25},
     "start 0, query, peek, query, query, start 25, query, peek, query, query, stop",
     {},
     "",
     {"The connection to the agent was lost"}},
    {"AFailedStartIsToldOnceAndTriedAgainEachRound",
     "start=1723",
     "3:start=0 4:capture 21 5:stop",
     {21},
     "start 0, start 0, start 0, start 0, query, query, peek, query, query, stop",
     {},
     "",
     {"SnapSnapperStartA failed - 1723\n"}},
};

class CaptureThreadScenario : public ::testing::TestWithParam<Scenario> {};

TEST_P(CaptureThreadScenario, Runs) {
    const Scenario& s = GetParam();
    FakeAgent setup;
    CaptureRun run(OptionsOf(s, setup));
    run.agent.startStatus = setup.startStatus;
    run.agent.peekMax = setup.peekMax;
    run.Go([&](int wait) { RunScript(run, s.script, wait); });
    EXPECT_EQ(run.BlockFrames(), s.blocks);
    const std::string calls = s.calls;
    if (calls.starts_with("...")) {
        EXPECT_TRUE(run.agent.Calls().ends_with(calls.substr(3))) << run.agent.Calls();
    } else if (!calls.empty()) {
        EXPECT_EQ(run.agent.Calls(), calls);
    }
    EXPECT_EQ(run.pausedAt, s.pausedAt);
    const std::string flags = s.flags;
    EXPECT_EQ(run.thread->Paused(), flags.find("paused") != std::string::npos);
    EXPECT_EQ(run.thread->TimeLimitReached(), flags.find("time") != std::string::npos);
    EXPECT_EQ(run.thread->SizeLimitReached(), flags.find("size") != std::string::npos);
    EXPECT_EQ(run.thread->FrameTargetReached(), flags.find("target") != std::string::npos);
    EXPECT_EQ(run.thread->FramesLost(), s.lost);
    ASSERT_EQ(run.messages.size(), s.messages.size());
    for (std::size_t i = 0; i < s.messages.size(); ++i) EXPECT_TRUE(run.messages[i].starts_with(s.messages[i]));
}

INSTANTIATE_TEST_SUITE_P(Cases, CaptureThreadScenario, ::testing::ValuesIn(kScenarios),
                         [](const auto& test) { return std::string(test.param.name); });

// The trace-file lock stays taken: the block is held, capture pauses, and continue writes it
// before anything else.
TEST(CaptureThreadFailures, ABlockThatCannotBeWrittenIsHeldAndWrittenOnContinue) {
    CaptureThread::Options options;
    options.traceLockWait = 20ms;
    CaptureRun run(options);
    std::unique_lock held(capture::TraceFileMutex());
    platform::ManualResetEvent told;
    platform::ManualResetEvent* answer = nullptr;
    run.onMessage = [&](const std::string&, platform::ManualResetEvent& answered) {
        answer = &answered;
        told.Set();
    };
    run.clock.script = [&](int wait) { RunScript(run, "1:capture 21 2:toggle 3:capture 21 4:stop", wait); };
    run.thread->Start();
    ASSERT_TRUE(told.Wait(30s));
    held.unlock();
    answer->Set();
    ASSERT_TRUE(run.WaitForEnd());
    EXPECT_TRUE(run.thread->Stop().Ok());
    EXPECT_EQ(run.BlockFrames(), (std::vector<std::uint32_t>{21, 21}));
    EXPECT_EQ(run.agent.Calls(), "start 0, query, peek, stop, start 21, query, peek, query, query, stop");
    EXPECT_EQ(run.pausedAt, std::vector<long>{500});
    EXPECT_TRUE(run.thread->WriteFailed());
    EXPECT_TRUE(run.messages.at(0).starts_with("A block of 21 frames could not be written to the trace file"));
}

// A message nobody answers, or an agent that never answers, does not hold up the close:
// the stop request ends the one, the cancel after the grace time the other; the file is
// finished either way.
TEST(CaptureThreadClose, NeitherAnUnansweredMessageNorAHungAgentHoldsItUp) {
    for (const bool hungAgent : {false, true}) {
        CaptureRun run({});
        platform::ManualResetEvent told;
        run.onMessage = [&](const std::string&, platform::ManualResetEvent&) { told.Set(); };
        run.agent.peekStatus = hungAgent ? 0 : 1726;
        run.clock.script = [&](int wait) {
            if (wait == 1) run.agent.Capture(30);
            run.agent.hang = hungAgent && wait == 2;
        };
        run.thread->Start();
        ASSERT_TRUE(hungAgent ? run.agent.hung.Wait(30s) : told.Wait(30s));
        EXPECT_TRUE(run.thread->Stop(50ms).Ok());
        EXPECT_EQ(run.agent.cancelled.IsSet(), hungAgent);
        EXPECT_EQ(run.BlockFrames(), hungAgent ? std::vector<std::uint32_t>{30} : std::vector<std::uint32_t>{});
    }
}

}  // namespace
}  // namespace session::test
