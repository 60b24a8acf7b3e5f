// The capture thread against a scripted agent and a jumping clock: the rounds, the peek
// threshold, the limits, pause and continue, draining before every stop of the snapper, and
// what it tells the user when the agent or the disk fails it.
#include <gtest/gtest.h>

#include <charconv>
#include <numeric>
#include <optional>
#include <set>
#include <sstream>
#include <string_view>

#include "capture/TraceFileMutex.h"
#include "session/CaptureTestKit.h"
#include "session/CaptureThread.h"
#include "support/WaitUntil.h"

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
        return support::WaitUntil([&] { return thread->Ended(); });
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

    std::string path = support::TempPath("live.tns");
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

// A number in a set-up or a script; nullopt unless the whole word is one.
std::optional<std::uint64_t> Number(std::string_view word) {
    std::uint64_t n = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), n);
    if (word.empty() || error != std::errc() || end != word.data() + word.size()) return std::nullopt;
    return n;
}

// The set-up's settings; a word it does not know fails the test instead of being passed over.
CaptureThread::Options OptionsOf(const std::string& setup, FakeAgent& agent) {
    CaptureThread::Options o;
    std::istringstream in(setup);
    for (std::string word; in >> word;) {
        const auto key = word.substr(0, word.find('='));
        const auto value = Number(word.substr(std::min(word.size(), key.size() + 1)));
        if (!value) {
            ADD_FAILURE() << "set-up word without a number: " << word;
        } else if (key == "time") {
            o.timeLimitSeconds = *value;
        } else if (key == "size") {
            o.sizeLimitBytes = *value;
        } else if (key == "target") {
            o.frameTarget = static_cast<std::uint32_t>(*value);
        } else if (key == "perRound") {
            o.peeksPerRound = static_cast<int>(*value);
        } else if (key == "peekMax") {
            agent.peekMax = *value;
        } else if (key == "start") {
            agent.startStatus = static_cast<rpc::RpcStatus>(*value);
        } else {
            ADD_FAILURE() << "unknown set-up word: " << word;
        }
    }
    return o;
}

// One step of a script: at wait `wait`, do action (with its number, where it takes one).
struct Step {
    int wait;
    std::string action;
    std::uint64_t value;
};

// The steps of a script; nullopt, with what is wrong, for a step it does not know, a wait that
// is no number, or an action without its number.
std::optional<std::vector<Step>> ParseScript(const std::string& script, std::string& wrong) {
    std::vector<Step> steps;
    std::istringstream in(script);
    for (std::string word; in >> word;) {
        const auto colon = word.find(':');
        const auto wait = Number(word.substr(0, colon));
        std::string action = colon == std::string::npos ? "" : word.substr(colon + 1);
        std::optional<std::uint64_t> value = 0;
        if (action == "capture" || action == "advance" || action == "drop") {
            std::string count;
            in >> count;
            value = Number(count);
        } else if (const auto eq = action.find('='); eq != std::string::npos) {
            value = Number(action.substr(eq + 1));
            action.erase(eq + 1);
        }
        static const std::set<std::string> kActions = {"capture", "advance",    "toggle", "stop",  "badpeek", "drop",
                                                       "again",   "ownnumbers", "query=", "peek=", "start="};
        if (!wait || *wait == 0 || !kActions.contains(action) || !value) {
            wrong = word;
            return std::nullopt;
        }
        steps.push_back({static_cast<int>(*wait), action, *value});
    }
    return steps;
}

// Runs the steps of the script that are due at this wait.
void RunScript(CaptureRun& r, const std::vector<Step>& steps, int wait) {
    for (const Step& step : steps) {
        if (step.wait != wait) continue;
        const auto status = static_cast<rpc::RpcStatus>(step.value);
        if (step.action == "capture") r.agent.Capture(step.value, 1000);
        if (step.action == "advance") r.clock.now += std::chrono::seconds(step.value);
        if (step.action == "toggle") r.thread->TogglePause();
        if (step.action == "stop") r.thread->RequestStop();
        if (step.action == "badpeek") r.agent.badPeek = true;
        if (step.action == "drop") r.agent.Drop(static_cast<std::uint32_t>(step.value));
        if (step.action == "again") r.agent.HandOverAgain();
        if (step.action == "ownnumbers") r.agent.ownNumbers = true;
        if (step.action == "query=") r.agent.queryStatuses.push_back(status);
        if (step.action == "peek=") r.agent.peekStatus = status;
        if (step.action == "start=") r.agent.startStatus = status;
    }
}

// The script of a test that must hold only steps the language knows.
std::vector<Step> Script(const std::string& script) {
    std::string wrong;
    auto steps = ParseScript(script, wrong);
    EXPECT_TRUE(steps) << "unknown step \"" << wrong << "\" in \"" << script << "\"";
    return steps.value_or(std::vector<Step>{});
}

TEST(CaptureThreadScripts, AStepTheLanguageDoesNotKnowIsRefused) {
    for (const char* script : {"1:stpo", "1:capture", "1:capture lots", "x:stop", "0:stop", "stop",
                               "1:query=", "1:peek=bad", "1:stop 2:pause"}) {
        std::string wrong;
        EXPECT_FALSE(ParseScript(script, wrong)) << script;
        EXPECT_FALSE(wrong.empty()) << script;
    }
    std::string wrong;
    const auto steps = ParseScript("1:capture 20 3:query=1726 4:stop", wrong);
    ASSERT_TRUE(steps);
    EXPECT_EQ(steps->size(), 3U);
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
     "start 0, query, peek, stop",
     {500},
     "paused size"},
    {"BothLimitsInOneRoundSetBothFlagsAndPauseOnce",
     "time=60 size=1024",
     "119:capture 30 121:stop",
     {30},
     "...query, query, peek, stop",
     {60000, 60000},
     "paused time size"},
    // How far a file passes its size limit: by the one block that crossed it. The agent's
    // backlog of 460 frames (twelve more blocks) stays with the agent.
    {"SizeLimitStopsAtTheFirstBlockPastItWithoutTheBacklog",
     "size=1024 peekMax=40 perRound=4",
     "1:capture 500 3:stop",
     {40},
     "start 0, query, peek, stop",
     {1000},
     "paused size"},
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
    CaptureRun run(OptionsOf(s.setup, setup));
    run.agent.startStatus = setup.startStatus;
    run.agent.peekMax = setup.peekMax;
    const auto steps = Script(s.script);
    ASSERT_FALSE(HasFailure());
    run.Go([&](int wait) { RunScript(run, steps, wait); });
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
    const auto steps = Script("1:capture 21 2:toggle 3:capture 21 4:stop");
    run.clock.script = [&](int wait) { RunScript(run, steps, wait); };
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
