// Bounded reader: reads never leave the span, failure is sticky, children are bounded.
#include <gtest/gtest.h>

#include <vector>

#include "core/ByteReader.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ByteReader, ReadsBothByteOrders) {
    const Bytes b = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
    core::ByteReader r(b);
    EXPECT_EQ(r.Be16(), 0x1234);
    EXPECT_EQ(r.Le16(), 0x7856);
    EXPECT_EQ(r.Be32(), 0x9ABCDEF0u);
    EXPECT_EQ(r.Le64(), 0x8877665544332211ull);
    EXPECT_TRUE(r.AtEnd());
    EXPECT_FALSE(r.Failed());
}

TEST(ByteReader, ShortReadsYieldZeroAndStayFailed) {
    const Bytes b = {1, 2, 3};
    core::ByteReader r(b);
    EXPECT_EQ(r.Le32(), 0u);
    EXPECT_TRUE(r.Failed());
    EXPECT_EQ(r.Offset(), 0u) << "a failed read consumes nothing";
    EXPECT_EQ(r.U8(), 1);  // still reads what is there
    EXPECT_TRUE(r.Failed()) << "failure stays set";
    EXPECT_TRUE(r.Bytes(5).empty());
    EXPECT_FALSE(r.Skip(3));
    EXPECT_EQ(r.Le64(), 0u);
}

TEST(ByteReader, SubAndAtAreBounded) {
    const Bytes b = {1, 2, 3, 4, 5};
    core::ByteReader r(b);
    r.U8();
    auto child = r.Sub(2);
    EXPECT_EQ(child.Size(), 2u);
    EXPECT_EQ(child.Be16(), 0x0203);
    EXPECT_EQ(child.U8(), 0);
    EXPECT_TRUE(child.Failed());
    EXPECT_FALSE(r.Failed());
    auto tooLong = r.Sub(10);
    EXPECT_TRUE(tooLong.Failed());
    EXPECT_TRUE(r.Failed());
    EXPECT_EQ(tooLong.Size(), 2u) << "a short child keeps only what remained";

    core::ByteReader fresh(b);
    EXPECT_EQ(fresh.At(4).U8(), 5);
    EXPECT_TRUE(fresh.At(6).Failed());
    EXPECT_FALSE(fresh.Seek(6));
    EXPECT_TRUE(fresh.Failed());
}

TEST(ByteReader, LinesEndAtLineFeedWithinTheLimit) {
    const std::string text = "USER x\r\nPASS\nrest";
    const Bytes b(text.begin(), text.end());
    core::ByteReader r(b);
    EXPECT_EQ(r.Line(100), "USER x");
    EXPECT_FALSE(r.Line(3).has_value()) << "no LF within 3 bytes";
    EXPECT_EQ(r.Line(100), "PASS");
    EXPECT_FALSE(r.Line(100).has_value()) << "no LF before the end";
    EXPECT_EQ(r.Remaining(), 4u);
}

}  // namespace

TEST(ByteReader, SlicesNameBytesWithoutReadingThem) {
    const Bytes b = {1, 2, 3, 4, 5, 6};
    core::ByteReader r(b);
    r.Skip(1);
    const std::size_t mark = r.Offset();
    r.Be16();
    EXPECT_EQ(core::OffsetWithin(b, r.Since(mark)), 1u);
    EXPECT_EQ(r.Since(mark).size(), 2u);
    EXPECT_TRUE(r.Since(5).empty()) << "a mark ahead of the position names nothing";
    EXPECT_EQ(r.Slice(4, 9).size(), 2u) << "cut at the end";
    EXPECT_TRUE(r.Slice(6, 1).empty());
    EXPECT_EQ(r.Offset(), 3u) << "slicing reads nothing";
    EXPECT_FALSE(r.Failed());

    // Only a part that lies wholly inside has an offset: a copy, an empty part and one that
    // runs past the end have none.
    const Bytes copy = b;
    const std::span<const std::uint8_t> whole(b);
    EXPECT_EQ(core::OffsetWithin(whole, whole.subspan(5, 1)), 5u);
    EXPECT_FALSE(core::OffsetWithin(whole.first(4), whole.subspan(2, 3)));
    EXPECT_FALSE(core::OffsetWithin(whole, copy));
    EXPECT_FALSE(core::OffsetWithin(whole, whole.subspan(2, 0)));
    EXPECT_FALSE(core::OffsetWithin(whole.subspan(2), whole.first(3)));
}
