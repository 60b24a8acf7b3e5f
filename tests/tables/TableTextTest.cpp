// Line pieces, field cutting and number scanning of the table files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tables/TableText.h"

using tables::TableText;

namespace {

std::vector<std::string> Pieces(std::string_view text) {
    TableText t(text);
    std::vector<std::string> out;
    std::string_view piece;
    while (t.NextPiece(piece)) out.emplace_back(piece);
    return out;
}

}  // namespace

TEST(TableText, LineEndsLfCrlfAndCrAllEndAPiece) {
    EXPECT_EQ(Pieces("a\nb\r\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(Pieces("a\n\nb\n"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(Pieces(""), std::vector<std::string>{});
}

TEST(TableText, LongLinesAreReadInPiecesOf1022) {
    // 1021 characters and the line end fit one read; 1022 characters leave the line end for
    // a second, empty, read; a longer line goes on in the next piece.
    const std::string fits(1021, 'a');
    EXPECT_EQ(Pieces(fits + "\nz"), (std::vector<std::string>{fits, "z"}));
    const std::string full(1022, 'b');
    EXPECT_EQ(Pieces(full + "\nz"), (std::vector<std::string>{full, "", "z"}));
    const std::string longer = std::string(1022, 'c') + "tail";
    EXPECT_EQ(Pieces(longer + "\r\n"), (std::vector<std::string>{std::string(1022, 'c'), "tail"}));
    EXPECT_EQ(Pieces(std::string(3000, 'd')).size(), 3U);
}

TEST(TableText, NulEndsWhatTheTokenizerSees) {
    EXPECT_EQ(Pieces(std::string("ab\0cd\nef", 8)), (std::vector<std::string>{"ab", "ef"}));
}

TEST(TableText, FieldsFollowTheTokenizer) {
    struct Case {
        std::string piece;
        std::size_t leading;
        std::size_t count;
        std::string first;
        std::string second;
        const char* rest;  // nullptr: absent
    };
    const Case cases[] = {
        {"  0800\t\tIPv4 over Ethernet ", 1, 1, "0800", "", "\tIPv4 over Ethernet "},
        {"tcp 6 TCP", 2, 2, "tcp", "6", "TCP"},
        {"53/udp", 1, 1, "53/udp", "", nullptr},
        {"domain 53/udp", 2, 2, "domain", "53/udp", nullptr},
        {"domain 53/udp ", 2, 2, "domain", "53/udp", nullptr},
        {"domain 53/udp  ", 2, 2, "domain", "53/udp", " "},
        {"only", 2, 1, "only", "", nullptr},
        {" \t ", 1, 0, "", "", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.piece);
        const auto f = TableText::Cut(c.piece, c.leading);
        ASSERT_EQ(f.count, c.count);
        if (c.count > 0) {
            EXPECT_EQ(f.token[0], c.first);
        }
        if (c.count > 1) {
            EXPECT_EQ(f.token[1], c.second);
        }
        ASSERT_EQ(f.rest.has_value(), c.rest != nullptr);
        if (c.rest) {
            EXPECT_EQ(*f.rest, c.rest);
        }
    }
    EXPECT_TRUE(TableText::Cut("   # comment", 1).IsComment());
    EXPECT_FALSE(TableText::Cut("0800 #x", 1).IsComment());
}

TEST(TableText, AtoiAndHexFollowTheCLibrary) {
    EXPECT_EQ(TableText::Atoi("17"), 17);
    EXPECT_EQ(TableText::Atoi("  6abc"), 6);
    EXPECT_EQ(TableText::Atoi("abc"), 0);
    EXPECT_EQ(TableText::Atoi("-5"), -5);
    EXPECT_EQ(TableText::Atoi("+12"), 12);
    EXPECT_GT(TableText::Atoi("99999999999999999999999999"), 1023);

    EXPECT_EQ(TableText::ScanHex("0800"), 0x0800U);
    EXPECT_EQ(TableText::ScanHex("0x86dd"), 0x86DDU);
    EXPECT_EQ(TableText::ScanHex("0X86DD"), 0x86DDU);
    EXPECT_EQ(TableText::ScanHex("ff-"), 0xFFU);
    EXPECT_EQ(TableText::ScanHex("0xg"), 0U);  // the 0 alone is the number
    EXPECT_EQ(TableText::ScanHex("-1"), 0xFFFFFFFFU);
    EXPECT_FALSE(TableText::ScanHex("").has_value());
    EXPECT_FALSE(TableText::ScanHex("g0").has_value());
    EXPECT_FALSE(TableText::ScanHex("-").has_value());
    EXPECT_EQ(TableText::Trim(" \t x y \r\n"), "x y");
}
