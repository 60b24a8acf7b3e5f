// A snapper's peeks: packed ahead by its packers for a client that keeps up, packed when
// asked for one that does not; either way every frame once, in order, and within memory.
#include <gtest/gtest.h>

#include <thread>

#include "AgentTestUtil.h"
#include "RawRpcClient.h"
#include "agentd/AgentDaemon.h"
#include "agentd/CaptureEngine.h"
#include "agentd/ReplyPool.h"
#include "support/WaitUntil.h"

namespace agentd {
namespace {

constexpr std::size_t kPeekHead = 12;  // len, referent, conformant count before the peek result
constexpr std::size_t kAhead = 64 * test::EndlessSource::kRecordBytes;
constexpr std::size_t kRoomyLimit = 2 * CaptureEngine::kAheadRoomBatches * kAhead;

CaptureEngine::Packing Packing(int level, bool storeWhenBehind = true) {
    CaptureEngine::Packing packing;
    packing.level = level;
    packing.aheadBytes = kAhead;
    packing.storeWhenBehind = storeWhenBehind;
    return packing;
}

struct Peeked {
    std::vector<std::uint32_t> numbers;
    std::uint32_t len = 0;       // the peek result's length
    std::uint32_t inflated = 0;  // what its stream inflates to
};

Peeked Unpack(const PackedPeek& peek) {
    Peeked out;
    const auto bytes = peek.reply->Bytes();
    out.len = test::Word(test::Bytes(bytes.begin(), bytes.begin() + 4), 0);
    const auto result = bytes.subspan(kPeekHead, out.len);
    out.inflated = test::Word(test::Bytes(result.begin() + 4, result.begin() + 8), 0);
    const auto batch = test::PeekedBatch(result);
    for (const auto& f : batch.Frames()) out.numbers.push_back(f.GetFrameNumber());
    EXPECT_EQ(out.numbers.size(), peek.frames);
    return out;
}

TEST(PeekPackingTest, EveryFrameOnceInOrderWhicheverWayItIsPacked) {
    struct Case {
        const char* name;
        bool keepsUp;
        CaptureEngine::Packing packing;
        bool packedAhead;
        bool stored;  // the replies are stored, not compressed
    } cases[] = {
        {"a client that keeps up, packers behind a fast source", true, Packing(1), true, true},
        {"a client that keeps up, every batch compressed", true, Packing(1, false), true, false},
        {"a client on a timer", false, Packing(1), false, false},
    };
    for (const auto& c : cases) {
        CaptureEngine engine(std::make_unique<test::EndlessSource>(true), {}, 0, {1'000'000, kRoomyLimit});
        std::vector<std::uint32_t> seen;
        bool sawAhead = false;
        while (seen.size() < 4000) {
            ASSERT_TRUE(support::WaitUntil([&] { return engine.Pending() > 0; })) << c.name;
            auto peek = engine.NextPeek(c.packing, c.keepsUp);
            ASSERT_TRUE(peek.Ok()) << c.name;
            ASSERT_TRUE(peek.Value().reply) << c.name;
            const auto got = Unpack(peek.Value());
            seen.insert(seen.end(), got.numbers.begin(), got.numbers.end());
            if (c.keepsUp) {
                EXPECT_LE(got.inflated, kAhead + 16) << c.name << ": a batch, not the whole queue";
            }
            // The source's frames are alike: compressed, a batch is a small fraction of itself.
            if (!c.stored) {
                EXPECT_LT(got.len, got.inflated / 4) << c.name;
            } else if (seen.size() > 1000) {
                EXPECT_GT(got.len, got.inflated) << c.name;
            }
            sawAhead = sawAhead ||
                       support::WaitUntil([&] { return engine.PackedAhead() > 0; }, std::chrono::milliseconds(200));
            // Frames packed ahead are still pending, and the whole stays within twice the limit.
            EXPECT_LE(engine.UsedBytes(), 2 * kRoomyLimit + 2 * kAhead) << c.name;
        }
        EXPECT_EQ(sawAhead, c.packedAhead) << c.name;
        for (std::uint32_t i = 0; i < seen.size(); ++i) ASSERT_EQ(seen[i], i) << c.name;
        engine.Stop();  // packers at work finish their batch and end
    }
}

TEST(PeekPackingTest, PendingCountsFramesPackedAheadUntilAPeekTakesThem) {
    constexpr std::size_t kFrames = 3000;  // some 50 batches of 64 frames
    auto source = std::make_unique<test::ListSource>(test::NumberedFrames(kFrames, 1000 - 42), true);
    CaptureEngine engine(std::move(source), {}, 0, {1'000'000, 2 * kFrames * test::EndlessSource::kRecordBytes});
    ASSERT_TRUE(support::WaitUntil([&] { return engine.Finished(); }));
    std::size_t taken = 0;
    while (taken < kFrames) {
        EXPECT_EQ(engine.Pending(), kFrames - taken);
        auto peek = engine.NextPeek(Packing(0), true);
        ASSERT_TRUE(peek.Ok() && peek.Value().reply);
        taken += peek.Value().frames;
    }
    EXPECT_EQ(taken, kFrames);
    EXPECT_EQ(engine.Pending(), 0U);
    EXPECT_FALSE(engine.NextPeek(Packing(0), true).Value().reply);  // nothing left: a null reply
}

TEST(PeekPackingTest, WithoutRoomOrAKeptPaceOnePeekTakesEverythingPending) {
    struct Case {
        const char* name;
        bool keepsUp;
        std::size_t limit;
    } cases[] = {
        {"a client on a timer", false, kRoomyLimit},
        {"a share too small to pack ahead", true, CaptureEngine::kAheadRoomBatches * kAhead / 2},
    };
    for (const auto& c : cases) {
        auto source = std::make_unique<test::ListSource>(test::NumberedFrames(300, 1000 - 42), true);
        CaptureEngine engine(std::move(source), {}, 0, {1'000'000, c.limit});
        ASSERT_TRUE(support::WaitUntil([&] { return engine.Finished(); })) << c.name;
        auto peek = engine.NextPeek(Packing(1), c.keepsUp);
        ASSERT_TRUE(peek.Ok()) << c.name;
        EXPECT_EQ(peek.Value().frames, 300U) << c.name;
        EXPECT_EQ(engine.PackedAhead(), 0U) << c.name;
    }
}

TEST(PeekPackingTest, StopEndsPackersAndAPeekStillGetsWhatWasPacked) {
    CaptureEngine engine(std::make_unique<test::EndlessSource>(true), {}, 0, {1'000'000, kRoomyLimit});
    ASSERT_TRUE(support::WaitUntil([&] { return engine.Pending() > 1000; }));
    ASSERT_TRUE(engine.NextPeek(Packing(1, false), true).Ok());
    ASSERT_TRUE(support::WaitUntil([&] { return engine.PackedAhead() > 0; }));
    engine.Stop();
    // What was packed comes first, then the rest of the queue, packed when asked for.
    std::uint32_t next = 64;  // the first peek took one batch
    while (engine.Pending() > 0) {
        auto peek = engine.NextPeek(Packing(1, false), true);
        ASSERT_TRUE(peek.Ok() && peek.Value().reply);
        const auto got = Unpack(peek.Value());
        ASSERT_FALSE(got.numbers.empty());
        EXPECT_EQ(got.numbers.front(), next);
        next = got.numbers.back() + 1;
    }
    EXPECT_GT(next, 1000U);
    EXPECT_FALSE(engine.NextPeek(Packing(1, false), true).Value().reply);
}

TEST(PeekPackingTest, APeerOnATimerGetsEverythingPendingOnceWhatWasPackedForItIsTaken) {
    // A classic manager peeks every 500 ms: its first peeks find batches packed ahead, then
    // each peek takes everything pending again, not a batch per round.
    AgentConfig config;
    config.sources = [](const capture::CPktSnapConf&) -> core::Result<std::unique_ptr<FrameSource>> {
        return std::unique_ptr<FrameSource>(std::make_unique<test::EndlessSource>(true));
    };
    config.snappers.budgetBytes = 2 * kRoomyLimit;
    config.packing = Packing(0);
    DaemonOptions options;
    options.epmPort = std::nullopt;
    auto daemon = AgentDaemon::Start(options, std::move(config)).Value();
    test::RawClient client(daemon->Port());
    ASSERT_TRUE(client.Bind());
    const auto [snapper, status] = client.Start();
    ASSERT_EQ(status, 0U);
    const auto peek = [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const auto reply =
            client.Call(static_cast<std::uint16_t>(rpc::AgentOp::SnapSnapperPeekA), test::Le32({snapper}));
        return reply && reply->size() > 16 ? test::Word(*reply, 12) : 0U;  // the batch's frame count
    };
    EXPECT_LE(peek(), kAhead / test::EndlessSource::kRecordBytes);
    std::uint32_t most = 0;
    for (std::size_t i = 0; i < CaptureEngine::kAheadDepth + 2; ++i) most = std::max(most, peek());
    EXPECT_GT(most, 4 * kAhead / test::EndlessSource::kRecordBytes);
}

TEST(ReplyPoolTest, ARepliesBufferComesBackForTheNextAndGoesWhenThePoolIsFullOrGone) {
    auto pool = std::make_shared<ReplyPool>(1);
    auto first = pool->Take(1000);
    const StubBytes* buffer = first.get();
    auto shared = pool->Share(std::move(first));
    EXPECT_EQ(pool->KeptBytes(), 0U);
    shared.reset();
    EXPECT_EQ(pool->KeptBytes(), 1000U);
    EXPECT_EQ(pool->Take(1001)->Allocated(), 1001U);  // too small to serve: a new one
    auto again = pool->Take(500);
    EXPECT_EQ(again.get(), buffer);  // the same memory, already mapped
    EXPECT_EQ(pool->KeptBytes(), 0U);

    // Beyond what the pool keeps, and once it is gone, a buffer is freed (the sanitizer
    // build reports a leak or a double free otherwise).
    auto a = pool->Share(std::move(again));
    auto b = pool->Share(pool->Take(700));
    a.reset();
    b.reset();
    EXPECT_EQ(pool->KeptBytes(), 1000U);
    auto outliving = pool->Share(pool->Take(10));
    pool.reset();
    outliving.reset();
}

}  // namespace
}  // namespace agentd
