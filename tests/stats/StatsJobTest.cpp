// The statistics worker over trace files: every block counted once, a block that cannot be
// read passed over and named, a cancel that ends the thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "capture/TraceTestUtil.h"
#include "support/Files.h"
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

}  // namespace
}  // namespace stats::test
