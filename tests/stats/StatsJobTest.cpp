// The statistics worker over trace files: every block counted once, a block that cannot be
// read passed over and named, a cancel that ends the thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "capture/TraceTestUtil.h"
#include "support/Files.h"
#include "support/WaitUntil.h"
#include "decode/DecodeFixtures.h"
#include "stats/StatsJob.h"

namespace stats::test {
namespace {

using namespace std::chrono_literals;

StatsRequest PerSecond() {
    StatsRequest request;
    request.ioInterval = kNanosPerSecond;
    return request;
}

// Blocks of 3000, 2000 and 1000 frames, stamped 1 ms apart: 1000 frames a second.
TEST(StatsJob, CountsEveryBlockItCanReadOnce) {
    struct Case {
        const char* name;
        std::optional<std::size_t> spoilt;  // the block whose stored bytes are broken
        std::vector<std::uint64_t> perSecond;
        std::size_t errors;
    };
    const Case cases[] = {
        {"whole", std::nullopt, {1000, 1000, 1000, 1000, 1000, 1000}, 0},
        {"middle block broken", 1, {1000, 1000, 1000, 0, 0, 1000}, 1},
        {"last block broken", 2, {1000, 1000, 1000, 1000, 1000}, 1},
    };
    for (const Case& c : cases) {
        auto path = testutil::WriteTrace("job.tns", {3000, 2000, 1000});
        if (c.spoilt) {
            const auto blocks = testutil::OpenValid(path).ListBlocks();
            ASSERT_TRUE(blocks.Ok());
            auto bytes = support::ReadBytes(path);
            std::fill_n(bytes.begin() + long(blocks.Value()[*c.spoilt].offset) + 22, 8, 0xFF);
            support::WriteBytes(path, bytes);
        }
        const decode::test::TestTables t;
        StatsJob job(testutil::OpenValid(path), *t.parsers, PerSecond());
        ASSERT_EQ(job.Wait(60s), StatsJob::State::Done) << c.name;
        ASSERT_NE(job.Result(), nullptr);
        std::vector<std::uint64_t> perSecond;
        for (const IoInterval& i : job.Result()->Io()->Intervals()) perSecond.push_back(i.frames);
        EXPECT_EQ(perSecond, c.perSecond) << c.name;
        EXPECT_EQ(job.Errors().size(), c.errors) << c.name;
        EXPECT_EQ(job.GetProgress().frames, job.Result()->Frames()) << c.name;
        EXPECT_EQ(job.GetProgress().total, 6000U) << c.name;
        // The tables a window shows are made at the end, with the blocks passed over.
        const auto [latest, made] = job.Latest();
        ASSERT_NE(latest, nullptr) << c.name;
        EXPECT_EQ(latest->frames, job.Result()->Frames()) << c.name;
        EXPECT_EQ(latest->errors.size(), c.errors) << c.name;
    }
}

// A window closed at once: the job ends, whichever way the race went, and takes its thread
// with it; a cancelled job has no result.
TEST(StatsJob, ACancelEndsTheThread) {
    const auto path = testutil::WriteTrace("big.tns", {20000, 20000, 20000});
    const decode::test::TestTables t;
    for (int round = 0; round < 3; ++round) {
        StatsRequest request = PerSecond();
        request.protocols = true;
        StatsJob job(testutil::OpenValid(path), *t.parsers, request);
        job.Cancel();
        const StatsJob::State state = job.Wait(60s);
        ASSERT_NE(state, StatsJob::State::Running);
        if (state == StatsJob::State::Cancelled) {
            EXPECT_EQ(job.Result(), nullptr);
        }
    }
    // Destroyed while running: the destructor cancels and joins.
    StatsJob running(testutil::OpenValid(path), *t.parsers, PerSecond());
}

// A live window's job: it counts what the writer has told of, makes its tables, and waits;
// each larger count brings the blocks written since, counted once, and new tables.
TEST(StatsJob, AFollowingJobCountsEachNewBlockOnceAndMakesNewTables) {
    const auto path = testutil::WriteTrace("live.tns", {3000, 2000, 1000});
    const auto blocks = testutil::OpenValid(path).ListBlocks().Value();
    auto reader = testutil::OpenValid(path);
    const auto endOf = [&](std::size_t b) {
        return b + 1 < blocks.size() ? blocks[b + 1].offset : reader.EndOffset();
    };
    reader.SetKnownCounts(1, 3000, endOf(0));
    const decode::test::TestTables t;
    StatsRequest request = PerSecond();
    request.protocols = true;
    StatsJob job(std::move(reader), *t.parsers, request, {.vendors = nullptr, .follow = true, .snapshotEvery = 1h});
    const auto framesShown = [&](std::uint64_t made) {
        EXPECT_TRUE(support::WaitUntil([&] { return job.Latest().second >= made; })) << made;
        const auto latest = job.Latest().first;
        return latest ? latest->frames : 0;
    };
    EXPECT_EQ(framesShown(1), 3000U);
    // The same counts again bring nothing; the next block's counts bring that block.
    job.Follow({1, 3000, endOf(0)});
    job.Follow({2, 5000, endOf(1)});
    EXPECT_EQ(framesShown(2), 5000U);
    job.Follow({3, 6000, endOf(2)});
    EXPECT_EQ(framesShown(3), 6000U);
    const auto latest = job.Latest().first;
    ASSERT_NE(latest->protocols, nullptr);
    EXPECT_EQ(latest->protocols->Rows().front().frames, 6000U);
    ASSERT_NE(latest->io, nullptr);
    EXPECT_EQ(latest->io->Intervals().size(), 6U);
    EXPECT_EQ(job.GetProgress().total, 6000U);
    // It never ends by itself; a cancel ends it at once, waiting or not.
    EXPECT_EQ(job.Wait(50ms), StatsJob::State::Running);
    job.Cancel();
    EXPECT_EQ(job.Wait(60s), StatsJob::State::Cancelled);
    EXPECT_EQ(job.Result(), nullptr);
}

}  // namespace
}  // namespace stats::test
