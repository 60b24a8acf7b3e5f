// The kernel buffers' part of the budget: halves of what is left, within their bounds, and
// given back when a capture ends.
#include <gtest/gtest.h>

#include <vector>

#include "agentd/KernelBuffers.h"

namespace agentd {
namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;

TEST(KernelBuffersTest, EachCaptureGetsHalfOfWhatIsLeftWithinTheBoundsAndGivesItBack) {
    auto pool = std::make_shared<KernelBuffers>(64 * kMiB, kMiB / 4, 32 * kMiB);
    std::vector<KernelBuffers::Grant> grants;
    const std::size_t expected[] = {
        32 * kMiB, 16 * kMiB, 8 * kMiB, 4 * kMiB, 2 * kMiB,
        kMiB,      kMiB / 2,  kMiB / 4, kMiB / 4, kMiB / 4};  // the last ones at the least, once the part is spent
    for (const std::size_t bytes : expected) {
        grants.push_back(pool->Reserve());
        EXPECT_EQ(grants.back().Bytes(), bytes) << grants.size();
    }
    EXPECT_EQ(pool->Granted(), 64 * kMiB + kMiB / 4);  // beyond the part by one of the least

    // A capture that ends gives its buffer back, and the next one is granted from it.
    grants.erase(grants.begin());                              // the 32 MiB one
    EXPECT_EQ(pool->Reserve().Bytes(), 16 * kMiB - kMiB / 8);  // half of 64 - 32.25 MiB
    KernelBuffers::Grant moved = std::move(grants.front());
    grants.clear();
    EXPECT_EQ(pool->Granted(), 16 * kMiB);  // only the one moved out
    moved = KernelBuffers::Grant();
    EXPECT_EQ(pool->Granted(), 0U);

    // A part smaller than the most a buffer holds: halves of it from the first.
    auto small = std::make_shared<KernelBuffers>(4 * kMiB, kMiB / 4, 32 * kMiB);
    EXPECT_EQ(small->Reserve().Bytes(), 2 * kMiB);
}

}  // namespace
}  // namespace agentd
