// The capture thread against a scripted agent and a jumping clock: the rounds, the peek
// threshold, the limits, pause and continue, draining before every stop of the snapper, and
// what it tells the user when the agent or the disk fails it.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "agent/CaptureThread.h"
#include "agent/CaptureTestKit.h"
#include "capture/TraceReader.h"

namespace agent::test {
namespace {

using namespace std::chrono_literals;

// One capture thread on a fresh trace file, with everything it reports kept.
struct CaptureRun {
    explicit CaptureRun(CaptureThread::Options options, std::function<void(const std::string&)> onMessage = {}) {
        path = testutil::TempPath("live.tns");
        auto file = core::FileHandle::Open(path, core::FileHandle::Mode::Create);
        EXPECT_TRUE(file.Ok());
        thread = std::make_unique<CaptureThread>(
            agent, std::move(file).Value(), options, clock, [this] { pausedAt.push_back(clock.Elapsed()); },
            [this, onMessage](const std::string& text, std::shared_ptr<platform::ManualResetEvent> answered) {
                messages.push_back(text);
                if (onMessage) onMessage(text);
                if (answerMessages) answered->Set();
            });
    }
    // Runs the script on the capture thread at every wait until it asks the thread to stop.
    void Go(const std::function<void(CaptureRun&, int)>& script) {
        clock.script = [this, script](int wait) { script(*this, wait); };
        thread->Start();
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!thread->Ended() && std::chrono::steady_clock::now() < giveUp) std::this_thread::sleep_for(1ms);
        EXPECT_TRUE(thread->Ended()) << "the script never stopped the thread";
        EXPECT_TRUE(thread->Stop().Ok());
    }
    // The blocks of the finished file, which must validate.
    std::vector<capture::BlockInfo> Blocks() {
        auto reader = capture::TraceReader::Open(path);
        core::RecordingPrompt prompt;
        EXPECT_TRUE(reader.Ok() && reader.Value().Validate(prompt)) << path;
        auto blocks = reader.Value().ListBlocks();
        EXPECT_TRUE(blocks.Ok());
        return blocks.Ok() ? blocks.Value() : std::vector<capture::BlockInfo>{};
    }

    FakeAgent agent;
    FakeClock clock;
    std::string path;
    std::unique_ptr<CaptureThread> thread;
    std::vector<std::chrono::milliseconds> pausedAt;
    std::vector<std::string> messages;
    bool answerMessages = true;
    LockHolder lockHolder;
};

struct Expect {
    std::vector<std::uint32_t> blockFrames{};  // frames of each block, in order
    std::string log{};                         // the agent's whole call log, when given
    std::string logEnd{};                      // or how it ends
    std::vector<std::chrono::milliseconds> pausedAt{};
    bool paused = false;
    bool timeReached = false;
    bool sizeReached = false;
    bool targetReached = false;
    bool writeFailed = false;
    std::vector<std::string> messages{};  // each message starts with its entry
};

struct Scenario {
    const char* name;
    std::function<void(CaptureThread::Options&, FakeAgent&)> setup;
    std::function<void(CaptureRun&, int)> script;
    Expect expect;
};

void Stop(CaptureRun& r) { r.thread->RequestStop(); }

const Scenario kScenarios[] = {
    {"PendingTwentyWaitsForTheDrainAtStop", {},
     [](CaptureRun& r, int w) {
         if (w == 1) r.agent.Capture(20);
         if (w == 2) Stop(r);
     },
     {.blockFrames = {20}, .log = "start 0, query, query, peek, stop"}},
    {"PendingTwentyOnePeeksInTheRound", {},
     [](CaptureRun& r, int w) {
         if (w == 1) r.agent.Capture(21);
         if (w == 2) Stop(r);
     },
     {.blockFrames = {21}, .log = "start 0, query, peek, query, query, stop"}},
    {"ARoundKeepsPeekingWhileTheAgentHoldsMore", {},
     [](CaptureRun& r, int w) {
         r.agent.peekMax = 40;
         if (w == 1) r.agent.Capture(100);
         if (w == 2) Stop(r);
     },
     {.blockFrames = {40, 40, 20}, .log = "start 0, query, peek, query, peek, query, query, peek, stop"}},
    {"TimeLimitPausesAtTheFirstRoundAtSixtySeconds", [](auto& o, auto&) { o.timeLimitSeconds = 60; },
     [](CaptureRun& r, int w) {
         if (w == 1) r.agent.Capture(25);
         if (w == 121) Stop(r);
     },
     {.blockFrames = {25}, .logEnd = "query, query, stop", .pausedAt = {60s}, .paused = true, .timeReached = true}},
    {"SizeLimitPausesOnTheNextWake", [](auto& o, auto&) { o.sizeLimitBytes = 1024; },
     [](CaptureRun& r, int w) {
         if (w == 1) r.agent.Capture(30);
         if (w == 3) Stop(r);
     },
     {.blockFrames = {30}, .log = "start 0, query, peek, query, stop", .pausedAt = {1000ms}, .paused = true, .sizeReached = true}},
    {"SizeLimitFiresOnAPauseRequestTooAndPausesOnce", [](auto& o, auto&) { o.sizeLimitBytes = 1024; },
     [](CaptureRun& r, int w) {
         if (w == 1) r.agent.Capture(30);
         if (w == 2) r.thread->TogglePause();
         if (w == 3) Stop(r);
     },
     {.blockFrames = {30}, .log = "start 0, query, peek, query, stop", .pausedAt = {500ms}, .paused = true, .sizeReached = true}},
    {"BothLimitsInOneRoundSetBothFlagsNotifyTwiceAndPauseOnce",
     [](auto& o, auto&) {
         o.timeLimitSeconds = 60;
         o.sizeLimitBytes = 1024;
     },
     [](CaptureRun& r, int w) {
         if (w == 119) r.agent.Capture(30);
         if (w == 121) Stop(r);
     },
     {.blockFrames = {30}, .logEnd = "query, query, peek, query, stop", .pausedAt = {60s, 60s}, .paused = true, .timeReached = true, .sizeReached = true}},
    {"ContinueAfterATimeLimitNumbersOnAndHasNoTimeLimit", [](auto& o, auto&) { o.timeLimitSeconds = 60; },
     [](CaptureRun& r, int w) {
         if (w == 1) r.agent.Capture(25);
         if (w == 121) r.thread->TogglePause();
         if (w == 122) r.agent.Capture(25);
         if (w == 400) Stop(r);
     },
     {.blockFrames = {25, 25}, .logEnd = "query, query, stop", .pausedAt = {60s}, .timeReached = true}},
    {"StopWhilePausedMakesNoAgentCall", {},
     [](CaptureRun& r, int w) {
         if (w == 1) r.agent.Capture(30);
         if (w == 2) r.thread->TogglePause();
         if (w == 3) Stop(r);
     },
     {.blockFrames = {30}, .log = "start 0, query, peek, query, query, stop", .paused = true}},
    {"PauseDrainsWhatTheAgentHolds", {},
     [](CaptureRun& r, int w) {
         if (w == 1) r.agent.Capture(7);
         if (w == 2) r.thread->TogglePause();
         if (w == 3) r.thread->TogglePause();
         if (w == 4) r.agent.Capture(3);
         if (w == 5) Stop(r);
     },
     {.blockFrames = {7, 3}, .log = "start 0, query, query, peek, stop, start 7, query, query, peek, stop"}},
    {"AStopRequestNeverBecomesALimitPause", [](auto& o, auto&) { o.sizeLimitBytes = 1024; },
     [](CaptureRun& r, int w) {
         if (w == 1) r.agent.Capture(30);
         if (w == 2) Stop(r);
     },
     {.blockFrames = {30}, .log = "start 0, query, peek, query, stop"}},
    {"FrameTargetPeeksTheLastFewAndPauses", [](auto& o, auto&) { o.frameTarget = 5; },
     [](CaptureRun& r, int w) {
         if (w == 1) r.agent.Capture(5);
         if (w == 2) Stop(r);
     },
     {.blockFrames = {5}, .log = "start 0, query, peek, stop", .pausedAt = {500ms}, .paused = true, .targetReached = true}},
    {"ALostSnapperIsToldOnceAndStartedAgainFromTheFileCount", {},
     [](CaptureRun& r, int w) {
         if (w == 1) r.agent.Capture(25);
         if (w == 2) r.agent.queryStatuses = {6};
         if (w == 3) r.agent.Capture(21);
         if (w == 4) Stop(r);
     },
     {.blockFrames = {25, 21}, .log = "start 0, query, peek, query, query, start 25, query, peek, query, query, stop", .messages = {"The connection to the agent was lost"}}},
    {"FailingQueriesAreToldOnceUntilOneGetsThrough", {},
     [](CaptureRun& r, int w) {
         if (w == 1) r.agent.queryStatuses = {1726, 1726, 0, 1726};
         if (w == 5) Stop(r);
     },
     {.messages = {"SnapSnapperQueryA failed - 1726\n", "SnapSnapperQueryA failed - 1726\n"}}},
    {"EveryFailedPeekIsTold", {},
     [](CaptureRun& r, int w) {
         r.agent.peekStatus = 1726;
         if (w == 1) r.agent.Capture(21);
         if (w == 3) Stop(r);
     },
     {.messages = {"SnapSnapperPeekA failed - 1726\n", "SnapSnapperPeekA failed - 1726\n", "SnapSnapperPeekA failed - 1726\n"}}},
    {"ABatchThatContradictsItsCountIsRefused", {},
     [](CaptureRun& r, int w) {
         if (w == 1) {
             r.agent.Capture(21);
             r.agent.peekOverride = [] {
                 auto result = testutil::Pack(testutil::MakeBatch(0, 3));
                 result[0] = 5;  // the peek announces 5 frames, its batch holds 3
                 return result;
             };
         }
         if (w == 2) Stop(r);
     },
     {.blockFrames = {21}, .messages = {"A batch from the agent was refused and not written: batch holds 3 frames, the peek announces 5"}}},
    {"AFailedStartIsToldOnceAndTriedAgainEachRound", [](auto&, auto& agent) { agent.startStatus = 1723; },
     [](CaptureRun& r, int w) {
         if (w == 3) r.agent.startStatus = 0;
         if (w == 4) r.agent.Capture(21);
         if (w == 5) Stop(r);
     },
     {.blockFrames = {21}, .log = "start 0, start 0, start 0, start 0, query, query, peek, query, query, stop", .messages = {"SnapSnapperStartA failed - 1723\n"}}},
    {"ABlockThatCannotBeWrittenIsHeldPausesAndIsWrittenOnContinue",
     [](auto& o, auto&) { o.traceLockWait = 20ms; },
     [](CaptureRun& r, int w) {
         if (w == 1) {
             r.lockHolder.Hold();
             r.agent.Capture(21);
         }
         if (w == 2) {
             r.lockHolder.Release();
             r.thread->TogglePause();
         }
         if (w == 3) r.agent.Capture(21);
         if (w == 4) Stop(r);
     },
     {.blockFrames = {21, 21}, .log = "start 0, query, peek, stop, start 21, query, peek, query, query, stop", .pausedAt = {500ms}, .writeFailed = true, .messages = {"A block of 21 frames could not be written to the trace file"}}},
};

void PrintTo(const Scenario& s, std::ostream* os) { *os << s.name; }

class CaptureThreadScenario : public ::testing::TestWithParam<Scenario> {};

TEST_P(CaptureThreadScenario, Runs) {
    const Scenario& s = GetParam();
    CaptureThread::Options options;
    FakeAgent setupAgent;
    if (s.setup) s.setup(options, setupAgent);
    CaptureRun run(options);
    run.agent.startStatus = setupAgent.startStatus;
    run.Go(s.script);
    const Expect& e = s.expect;

    std::vector<std::uint32_t> blockFrames;
    std::uint32_t next = 0;
    for (const auto& block : run.Blocks()) {
        EXPECT_EQ(block.lead.first, next) << "frame numbers run on without a gap";
        next = block.lead.last + 1;
        blockFrames.push_back(block.lead.FrameCount());
    }
    EXPECT_EQ(blockFrames, e.blockFrames);
    if (!e.log.empty()) {
        EXPECT_EQ(run.agent.Log(), e.log);
    }
    if (!e.logEnd.empty()) {
        EXPECT_TRUE(run.agent.Log().ends_with(e.logEnd)) << run.agent.Log();
    }
    EXPECT_EQ(run.pausedAt, e.pausedAt);
    EXPECT_EQ(run.thread->Paused(), e.paused);
    EXPECT_EQ(run.thread->TimeLimitReached(), e.timeReached);
    EXPECT_EQ(run.thread->SizeLimitReached(), e.sizeReached);
    EXPECT_EQ(run.thread->FrameTargetReached(), e.targetReached);
    EXPECT_EQ(run.thread->WriteFailed(), e.writeFailed);
    ASSERT_EQ(run.messages.size(), e.messages.size()) << (run.messages.empty() ? "" : run.messages.front());
    for (std::size_t i = 0; i < e.messages.size(); ++i) EXPECT_TRUE(run.messages[i].starts_with(e.messages[i])) << run.messages[i];
}

INSTANTIATE_TEST_SUITE_P(Cases, CaptureThreadScenario, ::testing::ValuesIn(kScenarios),
                         [](const auto& test) { return std::string(test.param.name); });

// 32-bit products would make these 1 MiB and 1904 s; a negative value is no limit at all.
TEST(CaptureThreadLimits, ProfileLimitsAreWidenedAndNegativeMeansNone) {
    for (const auto& [sizeValue, timeValue] : {std::pair{4097, 1193047}, std::pair{-5, -1}}) {
        profiles::CSessionProfile profile;
        profile.sizeUnit = profiles::CSessionProfile::kMegabytes;
        profile.sizeValue = sizeValue;
        profile.timeUnit = profiles::CSessionProfile::kHours;
        profile.timeValue = timeValue;
        CaptureRun run(CaptureThread::OptionsFrom(profile));
        run.Go([](CaptureRun& r, int w) {
            if (w == 1) r.agent.Capture(1100, 1000);
            if (w == 2) r.clock.Advance(std::chrono::seconds(2000));
            if (w == 4) Stop(r);
        });
        EXPECT_TRUE(run.pausedAt.empty()) << sizeValue;
        EXPECT_GT(run.thread->EndOffset(), 1u << 20);
    }
}

// The capture thread waits for the user to close a message, but never past a stop request.
TEST(CaptureThreadClose, AnUnansweredMessageDoesNotHoldUpTheClose) {
    platform::ManualResetEvent told;
    CaptureRun run({}, [&](const std::string&) { told.Set(); });
    run.answerMessages = false;
    run.agent.peekStatus = 1726;
    run.clock.script = [&](int w) {
        if (w == 1) run.agent.Capture(21);
    };
    run.thread->Start();
    ASSERT_TRUE(told.Wait(std::chrono::seconds(30)));
    EXPECT_TRUE(run.thread->Stop().Ok());
    EXPECT_TRUE(run.Blocks().empty());
}

// An agent that never answers: the close cancels this window's call after the grace time,
// and the file is still finished.
TEST(CaptureThreadClose, AHungAgentIsCancelledAndTheFileFinished) {
    CaptureRun run({});
    run.clock.script = [&](int w) {
        if (w == 1) run.agent.Capture(30);
        if (w == 2) run.agent.hangUntilCancelled = true;
    };
    run.thread->Start();
    ASSERT_TRUE(run.agent.hung.Wait(std::chrono::seconds(30)));
    EXPECT_TRUE(run.thread->Stop(50ms).Ok());
    EXPECT_TRUE(run.agent.cancelled.IsSet());
    ASSERT_EQ(run.Blocks().size(), 1u);
    EXPECT_TRUE(run.messages.empty()) << run.messages.front();
}

}  // namespace
}  // namespace agent::test
