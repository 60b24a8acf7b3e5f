// Block inflate: exactly u bytes or an error saying what went wrong.
#include <gtest/gtest.h>

#include "capture/BatchPacker.h"
#include "capture/Inflate.h"
#include "TraceTestUtil.h"

namespace {

using testutil::Bytes;

TEST(Inflate, ExactSizeOrAClearError) {
    auto batch = testutil::MakeBatch(0, 20);
    const Bytes plain = capture::SerializeBatch(batch);
    const Bytes peek = capture::PackSerialized(plain, 20).Value();
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

}  // namespace
