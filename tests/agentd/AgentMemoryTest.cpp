// What the agent holds for its clients, counted by the sanitizer's allocator in this process:
// clients that start, peek, stop and stay connected leave nothing behind, and while they peek
// the agent holds no more than its budget.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "AgentTestUtil.h"
#include "RawRpcClient.h"
#include "agentd/AgentDaemon.h"
#include "support/WaitUntil.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define PALOMET_COUNTED_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define PALOMET_COUNTED_HEAP 1
#endif
#endif
#ifdef PALOMET_COUNTED_HEAP
// The sanitizer runtime's count of live heap bytes (sanitizer/allocator_interface.h, which
// not every compiler installs).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();  // NOLINT(bugprone-reserved-identifier)
#endif

namespace agentd {
namespace {

using test::RawClient;
using namespace std::chrono_literals;
using Op = rpc::AgentOp;

constexpr std::size_t kMiB = std::size_t{1} << 20;

std::size_t HeapInUse() {
#ifdef PALOMET_COUNTED_HEAP
    return __sanitizer_get_current_allocated_bytes();
#else
    return 0;
#endif
}

TEST(AgentMemoryTest, ClientsThatPeekAndIdleStayWithinTheBudgetAndLeaveNothingBehind) {
#ifndef PALOMET_COUNTED_HEAP
    GTEST_SKIP() << "needs a sanitizer's allocator to count the heap";
#endif
    constexpr std::size_t kBudget = 32 * kMiB;
    constexpr std::size_t kSlack = 8 * kMiB;  // connections' buffers, queue chunks not yet full
    constexpr int kClients = 6;
    AgentConfig config;
    config.sources = [](const capture::CPktSnapConf&) -> core::Result<std::unique_ptr<FrameSource>> {
        return std::unique_ptr<FrameSource>(std::make_unique<test::EndlessSource>(true));
    };
    config.snappers.budgetBytes = kBudget;
    config.packing.level = 0;  // a reply as large as its frames
    DaemonOptions options;
    options.epmPort = std::nullopt;
    auto daemon = AgentDaemon::Start(options, std::move(config)).Value();
    const std::size_t before = HeapInUse();

    std::atomic<bool> sampling{true};
    std::atomic<std::size_t> peak{0};
    std::thread sampler([&] {
        while (sampling) {
            peak = std::max(peak.load(), HeapInUse());
            std::this_thread::sleep_for(1ms);
        }
    });
    // Each client fills its part in turn, so the first ones hold more than their parts once
    // the parts shrink; then all of them peek at once, the most the agent ever holds.
    std::vector<std::unique_ptr<RawClient>> clients;
    std::vector<std::uint32_t> snappers;
    for (int i = 0; i < kClients; ++i) {
        auto client = std::make_unique<RawClient>(daemon->Port());
        ASSERT_TRUE(client->Bind());
        const auto [snapper, status] = client->Start();
        ASSERT_EQ(status, 0U);
        std::uint32_t pending = 0;
        support::WaitUntil([&] {
            const auto reply = client->Call(static_cast<std::uint16_t>(Op::SnapSnapperQueryA), test::Le32({snapper}));
            const std::uint32_t now = reply ? test::Word(*reply, 0) : 0;
            const bool settled = now > 0 && now == pending;
            pending = now;
            return settled;
        });
        clients.push_back(std::move(client));
        snappers.push_back(snapper);
    }
    std::vector<std::thread> running;
    std::atomic<int> peeked{0};
    std::atomic<std::size_t> handedOver{0};
    for (std::size_t i = 0; i < clients.size(); ++i) {
        running.emplace_back([&, client = clients[i].get(), snapper = snappers[i]] {
            const std::size_t bytes =
                client->Drain(static_cast<std::uint16_t>(Op::SnapSnapperPeekA), test::Le32({snapper}));
            if (bytes > 0) ++peeked;
            handedOver += bytes;
            client->OnSnapper(Op::SnapSnapperStopA, snapper);
        });
    }
    for (auto& t : running) t.join();
    EXPECT_EQ(peeked, kClients);
    // The first snappers keep what they hold: the others share what is left, but together
    // they hand over much of the budget.
    EXPECT_GT(handedOver.load(), kBudget / 5) << handedOver.load();
    // Stopped and idle, still connected: every peek's frames and reply are gone.
    EXPECT_TRUE(support::WaitUntil([&] { return HeapInUse() < before + 2 * kMiB; }))
        << (HeapInUse() - before) / kMiB << " MiB left behind by " << kClients << " idle connections";
    sampling = false;
    sampler.join();
    EXPECT_LE(peak.load(), before + kBudget + kSlack) << "held " << (peak.load() - before) / kMiB << " MiB at the peak";
}

}  // namespace
}  // namespace agentd
