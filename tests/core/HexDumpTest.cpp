// The hex dump's lines and the columns of their bytes, which the bytes pane draws and hits.
#include <gtest/gtest.h>

#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "core/HexDump.h"

namespace {

TEST(HexDump, LinesOfSixteenWithOffsetsHexAndCharacters) {
    std::vector<std::uint8_t> bytes(20);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{0x3C});  // "<=>?@AB" up to "O", then three unprintable
    bytes[1] = 0x00;
    bytes[2] = 0x7F;
    bytes[3] = 0xFF;
    const core::HexDump dump(bytes.size());
    ASSERT_EQ(dump.LineCount(), 2U);
    EXPECT_EQ(dump.Line(bytes, 0), "0000  3c 00 7f ff 40 41 42 43  44 45 46 47 48 49 4a 4b   <...@ABCDEFGHIJK");
    // A short last line keeps the character column where the full lines have it.
    EXPECT_EQ(dump.Line(bytes, 1), "0010  4c 4d 4e 4f                                        LMNO");
    EXPECT_EQ(dump.Line(bytes, 1).size(), dump.TextColumn(4));
    EXPECT_EQ(dump.Line(bytes, 2), "");
    std::string all;
    dump.Append(all, bytes);
    EXPECT_EQ(all, dump.Line(bytes, 0) + "\n" + dump.Line(bytes, 1) + "\n");
    EXPECT_EQ(dump.LineLength(), dump.Line(bytes, 0).size());

    // Past 64 KiB the offsets grow a digit, on every line alike.
    const std::vector<std::uint8_t> big(0x10001, 0x41);
    const core::HexDump wide(big.size());
    EXPECT_EQ(wide.Line(big, 0).substr(0, 7), "00000  ");
    EXPECT_EQ(wide.Line(big, 0x1000).substr(0, 7), "10000  ");
    EXPECT_EQ(core::HexDump(0).LineCount(), 0U);
    EXPECT_EQ(core::HexDump(0x10000).Line(big, 0xFFF).substr(0, 6), "fff0  ");
}

TEST(HexDump, ColumnsLeadBackToTheirByte) {
    const core::HexDump dump(20);
    struct Case {
        std::size_t line, column;
        std::optional<std::size_t> byte;
    };
    const Case cases[] = {
        {0, 0, std::nullopt},  // the offset
        {0, 5, std::nullopt},  // the gap after it
        {0, 6, 0},
        {0, 7, 0},             // both digits of byte 0
        {0, 8, std::nullopt},  // the blank between bytes
        {0, 27, 7},
        {0, 30, std::nullopt},
        {0, 31, 8},  // the wider gap after the eighth byte
        {0, 57, 0},
        {0, 72, 15},
        {0, 73, std::nullopt},  // the characters
        {1, 6, 16},
        {1, 15, 19},
        {1, 18, std::nullopt},  // past the last byte of the frame
        {1, 60, 19},
        {1, 61, std::nullopt},
        {2, 6, std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(dump.ByteAt(c.line, c.column), c.byte) << c.line << ":" << c.column;
    for (std::size_t i = 0; i < core::HexDump::kBytesPerLine; ++i) {
        EXPECT_EQ(dump.ByteAt(0, dump.HexColumn(i)), i);
        EXPECT_EQ(dump.ByteAt(0, dump.TextColumn(i)), i);
    }
}

}  // namespace
