// The work queue: one thread runs its jobs in the order they came; at its end the queue runs
// or drops what is still queued, and the job in hand always finishes.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <vector>

#include "core/WorkQueue.h"

namespace {

using core::WorkQueue;

TEST(WorkQueue, OneThreadRunsJobsInOrderAndTheEndRunsWhatIsQueued) {
    std::vector<int> order;  // one thread: no lock needed
    {
        WorkQueue queue(1, WorkQueue::AtClose::RunQueued);
        for (int i = 0; i < 500; ++i) queue.Post([&order, i] { order.push_back(i); });
    }
    ASSERT_EQ(order.size(), 500U);
    for (int i = 0; i < 500; ++i) EXPECT_EQ(order[static_cast<std::size_t>(i)], i);

    std::atomic<int> ran{0};
    {
        WorkQueue pool(3, WorkQueue::AtClose::RunQueued);
        for (int i = 0; i < 500; ++i) pool.Post([&ran] { ++ran; });
    }
    EXPECT_EQ(ran.load(), 500);
}

// The first job holds the only thread until a queued job is dropped (its captures go), so
// the queue ends with nothing of the queue run, and without waiting for anything else.
TEST(WorkQueue, TheEndDropsWhatIsQueuedAndFinishesTheJobInHand) {
    std::promise<void> dropped;
    std::promise<void> started;
    bool released = false;
    std::atomic<int> ran{0};
    {
        WorkQueue queue(1, WorkQueue::AtClose::DropQueued);
        queue.Post([&, waitFor = dropped.get_future().share()] {
            started.set_value();
            // Bounded, so that a queue that never drops fails here instead of hanging.
            released = waitFor.wait_for(std::chrono::minutes(1)) == std::future_status::ready;
        });
        // Its destructor tells the first job that it went without running.
        struct OnDrop {
            std::promise<void>* dropped;
            ~OnDrop() { dropped->set_value(); }
        };
        auto guard = std::make_shared<OnDrop>(&dropped);
        queue.Post([&ran, guard] { ++ran; });
        guard.reset();
        for (int i = 0; i < 10; ++i) queue.Post([&ran] { ++ran; });
        started.get_future().wait();
    }
    EXPECT_TRUE(released) << "the queued job was not dropped";
    EXPECT_EQ(ran.load(), 0);
}

}  // namespace
