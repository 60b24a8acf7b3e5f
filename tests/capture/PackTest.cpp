// Block packing both ways: a zlib stream inflates to exactly u bytes or to a clear error, and
// the pack pool returns every batch as its own peek result, even those queued at shutdown.
#include <gtest/gtest.h>

#include "TraceTestUtil.h"
#include "capture/Inflate.h"
#include "capture/PackPool.h"

namespace {

using testutil::Bytes;

TEST(Inflate, ExactSizeOrAClearError) {
    auto batch = testutil::MakeBatch(0, 20);
    const Bytes plain = capture::SerializeBatch(batch);
    const Bytes peek = testutil::Pack(batch);
    const Bytes zlib(peek.begin() + 8, peek.end());
    const auto u = static_cast<std::uint32_t>(plain.size());
    Bytes corrupt = zlib;
    corrupt[zlib.size() / 2] ^= 0xFF;
    corrupt[zlib.size() / 2 + 1] ^= 0xFF;
    struct Case {
        const char* name;
        Bytes stream;
        std::uint32_t expected;
        const char* error;  // nullptr: inflates
    };
    const Case cases[] = {
        {"exact", zlib, u, nullptr},
        {"u one too large", zlib, u + 1, "instead of"},
        {"u one too small", zlib, u - 1, "more than"},
        {"not zlib at all", Bytes(40, 0x11), 100, "corrupt"},
        {"corrupt in the middle", corrupt, u, ""},
        {"empty stream", {}, 0, "corrupt"},
        {"u beyond the deflate ratio", zlib, static_cast<std::uint32_t>(zlib.size() * 2000), "claims"},
        {"u beyond the block cap", Bytes(1 << 20, 0), 0xFFFFFFFF, "claims"},
    };
    for (const auto& c : cases) {
        Bytes out(3, 0xEE);
        const auto st = capture::InflateExact(c.stream, c.expected, out);
        if (c.error == nullptr) {
            ASSERT_TRUE(st.Ok()) << c.name << ": " << st.Err().text;
            EXPECT_EQ(out, plain) << c.name;
            continue;
        }
        ASSERT_FALSE(st.Ok()) << c.name;
        EXPECT_NE(st.Err().text.find(c.error), std::string::npos) << c.name << ": " << st.Err().text;
        EXPECT_TRUE(out.empty() || out.size() == 3) << c.name << ": no half-inflated buffer";
    }
}

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
        const Bytes peek = results[i].get().Value();
        EXPECT_EQ(testutil::Le32At(peek, 0), i) << "frame count";
        EXPECT_EQ(testutil::Le32At(peek, 4), plain[i].size()) << "uncompressed size";
        Bytes inflated;
        ASSERT_TRUE(capture::InflateExact(std::span(peek).subspan(8), testutil::Le32At(peek, 4), inflated).Ok());
        EXPECT_EQ(inflated, plain[i]) << i;
    }
}

}  // namespace
