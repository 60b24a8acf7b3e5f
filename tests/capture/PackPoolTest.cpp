// Pack pool: every batch comes back as its own peek result, whatever thread packed it, and
// batches still queued when the pool goes away are packed, not lost.
#include <gtest/gtest.h>

#include "capture/Inflate.h"
#include "capture/PackPool.h"
#include "TraceTestUtil.h"

namespace {

using testutil::Bytes;

TEST(PackPool, EachBatchComesBackAsItsOwnPeekResult) {
    std::vector<Bytes> plain;
    std::vector<std::future<capture::PackPool::Packed>> results;
    {
        capture::PackPool pool(3, 6);
        for (std::uint32_t i = 0; i < 12; ++i) {
            auto batch = testutil::MakeBatch(i * 10, i);
            plain.push_back(capture::SerializeBatch(batch));
            results.push_back(pool.Pack(plain.back(), i));
        }
    }  // queued jobs finish before the threads are joined
    for (std::uint32_t i = 0; i < 12; ++i) {
        auto packed = results[i].get();
        ASSERT_TRUE(packed.Ok()) << i;
        const Bytes& peek = packed.Value();
        EXPECT_EQ(testutil::Le32At(peek, 0), i) << "frame count";
        EXPECT_EQ(testutil::Le32At(peek, 4), plain[i].size()) << "uncompressed size";
        Bytes inflated;
        ASSERT_TRUE(capture::InflateExact(std::span(peek).subspan(8), testutil::Le32At(peek, 4), inflated).Ok());
        EXPECT_EQ(inflated, plain[i]) << i;
    }
}

}  // namespace
