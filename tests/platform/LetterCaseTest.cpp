// Names matched without regard to letter case: ASCII letters fold, every other byte keeps
// its value, and the order is the folded bytes', a prefix first.
#include <gtest/gtest.h>

#include <string>

#include "platform/LetterCase.h"

namespace {

TEST(LetterCase, FoldsAsciiLettersOnly) {
    const struct {
        std::string a, b;
        int order;  // of a against b, case ignored
    } cases[] = {
        {"PalometSrv", "palometsrv", 0},
        {"Caf\xc3\x89", "caf\xc3\xa9", -1},  // É and é are not folded: only ASCII letters are
        {"a_b", "aZb", -1},                  // '_' (0x5F) sorts before 'z', not after 'Z' (0x5A)
        {"abc", "ABCD", -1},                 // a prefix comes first
        {"x\x80", "X\x7f", 1},               // bytes above 0x7F compare as unsigned values
        {"@", "`", -1},                      // the characters beside the letters stay apart
        {"", "", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform::CompareIgnoringCase(c.a, c.b), c.order) << c.a << " / " << c.b;
        EXPECT_EQ(platform::CompareIgnoringCase(c.b, c.a), -c.order) << c.b << " / " << c.a;
        EXPECT_EQ(platform::EqualsIgnoringCase(c.a, c.b), c.order == 0) << c.a << " / " << c.b;
    }
    EXPECT_EQ(platform::AsciiLowered("PASS Sécret\x01Z"), "pass sécret\x01z");
    EXPECT_EQ(platform::AsciiUppered("10kb"), "10KB");
}

TEST(LetterCase, PrefixAndSuffixIgnoreCase) {
    EXPECT_TRUE(platform::EndsWithIgnoringCase("palometsrv.SERVICE", ".service"));
    EXPECT_FALSE(platform::EndsWithIgnoringCase("service", ".service"));
    EXPECT_TRUE(platform::StartsWithIgnoringCase("pass secret", "PASS"));
    EXPECT_FALSE(platform::StartsWithIgnoringCase("PAS", "PASS"));
    EXPECT_TRUE(platform::StartsWithIgnoringCase("anything", ""));
}

}  // namespace
