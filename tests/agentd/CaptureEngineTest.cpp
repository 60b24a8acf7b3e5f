// The snapper's queue: numbering, filtering, the bound (oldest dropped for a live source,
// waiting for a file), and peeks bounded by size.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "AgentTestUtil.h"
#include "agentd/CaptureEngine.h"

namespace agentd {
namespace {

using test::Bytes;
using test::ListSource;

// Waits (bounded) until the engine's source has delivered everything.
void WaitFinished(const CaptureEngine& engine) {
    for (int i = 0; i < 5000 && !engine.Finished(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(engine.Finished());
}

std::vector<std::uint32_t> Numbers(const capture::CPktSnap& batch) {
    std::vector<std::uint32_t> n;
    for (const auto& f : batch.Frames()) n.push_back(f.GetFrameNumber());
    return n;
}

TEST(CaptureEngineTest, NumbersFromTheFirstFrameAndKeepsEveryField) {
    auto frames = test::NumberedFrames(5);
    CaptureEngine engine(std::make_unique<ListSource>(frames, true), CaptureFilter(), 1000, {});
    WaitFinished(engine);
    EXPECT_EQ(engine.Pending(), 5U);
    const auto batch = engine.Take(1 << 20);
    EXPECT_EQ(Numbers(batch), (std::vector<std::uint32_t>{1000, 1001, 1002, 1003, 1004}));
    EXPECT_EQ(batch.GetFrequency(), 1'000'000);
    for (std::uint32_t i = 0; i < batch.GetFrameCount(); ++i) {
        const auto& f = batch.GetFrame(i);
        EXPECT_EQ(std::vector<std::uint8_t>(f.GetData().begin(), f.GetData().end()), frames[i]);
        EXPECT_EQ(f.GetCapturedLength(), frames[i].size());
        EXPECT_EQ(f.GetTotalLength(), frames[i].size() + 4);
        EXPECT_EQ(f.GetStamp(), static_cast<std::int64_t>(i) + 1);
        EXPECT_EQ(f.GetCaptureTime(), 1'700'000'000U);
        EXPECT_EQ(f.GetLinkProtocol(), 4U);
    }
    EXPECT_EQ(engine.Pending(), 0U);
}

TEST(CaptureEngineTest, FilteredFramesTakeNoNumber) {
    std::vector<Bytes> frames = {test::MakeFrame(6, 1, 80), test::MakeFrame(6, 1, 22), test::MakeFrame(6, 80, 1),
                                 test::MakeArp()};
    capture::CPktSnapConf conf;
    conf.http = 0;
    CaptureEngine engine(std::make_unique<ListSource>(frames, true), CaptureFilter(conf), 0, {});
    WaitFinished(engine);
    const auto batch = engine.Take(1 << 20);
    ASSERT_EQ(batch.GetFrameCount(), 2U);
    EXPECT_EQ(Numbers(batch), (std::vector<std::uint32_t>{0, 1}));
    EXPECT_EQ(batch.GetFrame(0).GetDataLength(), frames[1].size());
    EXPECT_EQ(batch.GetFrame(1).GetDataLength(), frames[3].size());
}

TEST(CaptureEngineTest, LiveSourceDropsOldestWhenFull) {
    struct Case {
        const char* name;
        CaptureEngine::Limits limits;
        std::uint32_t kept;
    } cases[] = {
        {"by frames", {10, 1 << 20}, 10},
        {"by bytes", {1000, 5 * (36 + 58)}, 5},  // a 16-byte UDP payload makes 58-byte frames
    };
    for (const auto& c : cases) {
        CaptureEngine engine(std::make_unique<ListSource>(test::NumberedFrames(100), false), CaptureFilter(), 0,
                             c.limits);
        WaitFinished(engine);
        EXPECT_EQ(engine.Pending(), c.kept) << c.name;
        EXPECT_EQ(engine.Dropped(), 100U - c.kept) << c.name;
        const auto batch = engine.Take(1 << 20);
        // The newest frames survive, with the numbers they were given.
        ASSERT_EQ(batch.GetFrameCount(), c.kept) << c.name;
        EXPECT_EQ(batch.GetFrame(0).GetFrameNumber(), 100U - c.kept) << c.name;
        EXPECT_EQ(batch.GetFrame(c.kept - 1).GetFrameNumber(), 99U) << c.name;
    }
}

TEST(CaptureEngineTest, FileSourceWaitsInsteadOfDropping) {
    CaptureEngine engine(std::make_unique<ListSource>(test::NumberedFrames(100), true), CaptureFilter(), 0,
                         {10, 1 << 20});
    std::vector<std::uint32_t> seen;
    for (int spins = 0; spins < 10000 && seen.size() < 100; ++spins) {
        EXPECT_LE(engine.Pending(), 10U);
        const auto batch = engine.Take(1 << 20);
        for (auto n : Numbers(batch)) seen.push_back(n);
        if (batch.GetFrameCount() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(seen.size(), 100U);
    for (std::uint32_t i = 0; i < 100; ++i) EXPECT_EQ(seen[i], i);
    EXPECT_EQ(engine.Dropped(), 0U);
}

TEST(CaptureEngineTest, TakeIsBoundedBySizeButNeverEmpty) {
    CaptureEngine engine(std::make_unique<ListSource>(test::NumberedFrames(10, 1000), true), CaptureFilter(), 0, {});
    WaitFinished(engine);
    // Each record is 36 + 1042 bytes: 3000 bytes hold two of them.
    EXPECT_EQ(engine.Take(3000).GetFrameCount(), 2U);
    // A bound smaller than one frame still hands over one.
    EXPECT_EQ(engine.Take(10).GetFrameCount(), 1U);
    EXPECT_EQ(engine.Pending(), 7U);
}

TEST(CaptureEngineTest, StopEndsAWaitingProducer) {
    // A file source blocked on a full queue must not hold up Stop.
    CaptureEngine engine(std::make_unique<ListSource>(test::NumberedFrames(50), true), CaptureFilter(), 0, {1, 1 << 20});
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    engine.Stop();
    EXPECT_EQ(engine.Pending(), 1U);
}

}  // namespace
}  // namespace agentd
