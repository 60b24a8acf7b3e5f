// The snapper's queue: numbering, filtering, the bound (oldest dropped for a live source,
// waiting for a file), and takes bounded by size.
#include <gtest/gtest.h>

#include "AgentTestUtil.h"
#include "agentd/CaptureEngine.h"
#include "support/WaitUntil.h"

namespace agentd {
namespace {

using test::Bytes;
using test::ListSource;

std::unique_ptr<CaptureEngine> Engine(std::vector<Bytes> frames, bool lossless, CaptureEngine::Limits limits = {},
                                      const CaptureFilter& filter = {}, std::uint32_t first = 0, bool wait = true) {
    auto engine = std::make_unique<CaptureEngine>(std::make_unique<ListSource>(std::move(frames), lossless), filter,
                                                  first, limits);
    EXPECT_TRUE(!wait || support::WaitUntil([&] { return engine->Finished(); }));
    return engine;
}

std::vector<std::uint32_t> Numbers(const capture::CPktSnap& batch) {
    std::vector<std::uint32_t> n;
    for (const auto& f : batch.Frames()) n.push_back(f.GetFrameNumber());
    return n;
}

TEST(CaptureEngineTest, NumbersKeptFramesFromTheFirstFrameAndKeepsEveryField) {
    const std::vector<Bytes> frames = {test::MakeFrame(6, 1, 80), test::MakeFrame(6, 1, 22), test::MakeFrame(6, 80, 1),
                                       test::MakeArp()};
    capture::CPktSnapConf conf;
    conf.http = 0;  // filtered frames take no number
    auto engine = Engine(frames, true, {}, CaptureFilter(conf), 1000);
    const auto batch = engine->Take(1 << 20);
    EXPECT_EQ(Numbers(batch), (std::vector<std::uint32_t>{1000, 1001}));
    EXPECT_EQ(batch.GetFrequency(), 1'000'000);
    for (std::uint32_t i = 0; i < batch.GetFrameCount(); ++i) {
        const auto& f = batch.GetFrame(i);
        const std::uint32_t from = 2 * i + 1;  // the ssh and arp frames
        EXPECT_EQ(Bytes(f.GetData().begin(), f.GetData().end()), frames[from]);
        EXPECT_EQ(f.GetCapturedLength(), frames[from].size());
        EXPECT_EQ(f.GetTotalLength(), frames[from].size() + 4);
        EXPECT_EQ(f.GetStamp(), static_cast<std::int64_t>(from) + 1);
        EXPECT_EQ(f.GetCaptureTime(), 1'700'000'000U);
        EXPECT_EQ(f.GetLinkProtocol(), 4U);  // Ethernet
    }
    EXPECT_EQ(engine->Pending(), 0U);
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
        auto engine = Engine(test::NumberedFrames(100), false, c.limits);
        EXPECT_EQ(engine->Dropped(), 100U - c.kept) << c.name;
        // The newest frames survive, with the numbers they were given.
        const auto numbers = Numbers(engine->Take(1 << 20));
        ASSERT_EQ(numbers.size(), c.kept) << c.name;
        EXPECT_EQ(numbers.front(), 100U - c.kept) << c.name;
        EXPECT_EQ(numbers.back(), 99U) << c.name;
    }
}

TEST(CaptureEngineTest, FileSourceWaitsInsteadOfDropping) {
    auto engine = Engine(test::NumberedFrames(100), true, {10, 1 << 20}, {}, 0, false);
    std::vector<std::uint32_t> seen;
    support::WaitUntil([&] {
        EXPECT_LE(engine->Pending(), 10U);
        const auto numbers = Numbers(engine->Take(1 << 20));
        seen.insert(seen.end(), numbers.begin(), numbers.end());
        return seen.size() >= 100;
    });
    ASSERT_EQ(seen.size(), 100U);
    for (std::uint32_t i = 0; i < 100; ++i) EXPECT_EQ(seen[i], i);
    EXPECT_EQ(engine->Dropped(), 0U);
}

TEST(CaptureEngineTest, APeeksFramesCountAgainstTheLimitUntilThePeekIsDone) {
    constexpr std::size_t kRecord = test::EndlessSource::kRecordBytes;
    constexpr std::size_t kLimit = 100 * kRecord;
    for (const bool lossless : {false, true}) {
        CaptureEngine engine(std::make_unique<test::EndlessSource>(lossless), {}, 0, {1'000'000, kLimit});
        ASSERT_TRUE(support::WaitUntil([&] { return engine.Pending() == 100; })) << lossless;
        std::vector<std::uint8_t> batch;
        {
            const auto loan = engine.Lend(std::size_t{1} << 30, batch);
            EXPECT_EQ(loan.Frames(), 100U) << lossless;
            // The frames are out with a reply as large: the queue does not fill up again beside them.
            for (int i = 0; i < 100; ++i) {
                EXPECT_LE(engine.UsedBytes(), 2 * kLimit + 2 * kRecord) << lossless;
                std::this_thread::yield();
            }
        }
        EXPECT_TRUE(support::WaitUntil([&] { return engine.Pending() == 100; })) << lossless << ": not repaid";
        EXPECT_LE(engine.UsedBytes(), kLimit) << lossless;
    }
}

TEST(CaptureEngineTest, TakeIsBoundedBySizeButNeverEmpty) {
    auto engine = Engine(test::NumberedFrames(10, 1000), true);
    EXPECT_EQ(engine->Take(3000).GetFrameCount(), 2U);  // records of 36 + 1042 bytes
    EXPECT_EQ(engine->Take(10).GetFrameCount(), 1U);    // smaller than one frame: still one
    EXPECT_EQ(engine->Pending(), 7U);
}

TEST(CaptureEngineTest, StopEndsAWaitingProducer) {
    // A file source blocked on a full queue must not hold up Stop.
    auto engine = Engine(test::NumberedFrames(50), true, {1, 1 << 20}, {}, 0, false);
    ASSERT_TRUE(support::WaitUntil([&] { return engine->Pending() == 1; }));  // full: the source waits
    engine->Stop();
    EXPECT_EQ(engine->Pending(), 1U);
}

}  // namespace
}  // namespace agentd
