// Display escaping of captured text: what may act on a terminal or break a line becomes
// "\xNN", well-formed UTF-8 stays, and the result is always well-formed UTF-8.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "core/DisplayText.h"

namespace {

TEST(DisplayText, EscapesWhatCouldActOnATerminalAndKeepsTheRest) {
    struct Case {
        const char* name;
        std::string raw;
        std::string shown;
    };
    const Case cases[] = {
        {"plain", "GET /index.html HTTP/1.0", "GET /index.html HTTP/1.0"},
        {"empty", "", ""},
        {"escape sequences", "\x1b]0;owned\x07\x1b[2J", "\\x1B]0;owned\\x07\\x1B[2J"},
        {"tab and line ends", "a\tb\r\nc", "a\\x09b\\x0D\\x0Ac"},
        {"nul and del", std::string("a\0b\x7f", 4), "a\\x00b\\x7F"},
        {"backslash", "C:\\x41", "C:\\\\x41"},
        {"two-byte UTF-8", "caf\xc3\xa9", "caf\xc3\xa9"},
        {"three- and four-byte UTF-8", "\xe2\x82\xac \xf0\x9f\x98\x80", "\xe2\x82\xac \xf0\x9f\x98\x80"},
        {"C1 control",
         "\xc2\x9b"
         "31m",
         "\\xC2\\x9B31m"},
        {"lone continuation and bad lead", "\x80\xff\xfe", "\\x80\\xFF\\xFE"},
        {"overlong and surrogate", "\xc0\xaf\xed\xa0\x80", "\\xC0\\xAF\\xED\\xA0\\x80"},
        {"beyond U+10FFFF", "\xf4\x90\x80\x80", "\\xF4\\x90\\x80\\x80"},
        {"sequence cut at the end", "ok\xe2\x82", "ok\\xE2\\x82"},
    };
    for (const auto& c : cases) EXPECT_EQ(core::DisplayText(c.raw), c.shown) << c.name;
}

TEST(DisplayText, ALoneSpecialByteIsFoundAtEveryPlaceOfALongText) {
    // Long texts are checked eight bytes at a time: every place, every kind of byte.
    const std::pair<char, const char*> specials[] = {{'\0', "\\x00"},   {'\x1f', "\\x1F"}, {'\x7f', "\\x7F"},
                                                     {'\x80', "\\x80"}, {'\xff', "\\xFF"}, {'\\', "\\\\"}};
    for (const auto& [byte, escape] : specials) {
        for (std::size_t at = 0; at < 24; ++at) {
            std::string raw(24, 'a');
            raw[at] = byte;
            const std::string shown = std::string(at, 'a') + escape + std::string(23 - at, 'a');
            EXPECT_EQ(core::DisplayText(raw), shown) << int(static_cast<unsigned char>(byte)) << " at " << at;
        }
    }
    EXPECT_EQ(core::DisplayText(std::string(24, ' ') + "~"), std::string(24, ' ') + "~");
}

// A control that reorders text would turn "txt.exe" into something else on screen: each is
// escaped byte by byte for people and TSV, and written as an escape that decodes to itself
// in JSON. Its neighbours, and the letters of right-to-left scripts, stay.
TEST(DisplayText, ControlsThatReorderTextAreEscapedLikeControlCharacters) {
    struct Case {
        const char* name;
        std::string raw;
        std::string shown;
        std::string json;
    };
    const Case cases[] = {
        {"right-to-left override", "invoice\xe2\x80\xaetxt.exe", "invoice\\xE2\\x80\\xAEtxt.exe",
         "invoice\\u202Etxt.exe"},
        {"left-to-right embedding", "\xe2\x80\xaa", "\\xE2\\x80\\xAA", "\\u202A"},
        {"pop directional formatting", "\xe2\x80\xac", "\\xE2\\x80\\xAC", "\\u202C"},
        {"left-to-right isolate", "\xe2\x81\xa6", "\\xE2\\x81\\xA6", "\\u2066"},
        {"pop directional isolate", "\xe2\x81\xa9", "\\xE2\\x81\\xA9", "\\u2069"},
        {"left-to-right and right-to-left marks", "\xe2\x80\x8e\xe2\x80\x8f", "\\xE2\\x80\\x8E\\xE2\\x80\\x8F",
         "\\u200E\\u200F"},
        {"Arabic letter mark", "\xd8\x9c", "\\xD8\\x9C", "\\u061C"},
        {"C1 control", "\xc2\x9b", "\\xC2\\x9B", "\\u009B"},
        {"zero-width joiner stays", "\xe2\x80\x8d", "\xe2\x80\x8d", "\xe2\x80\x8d"},
        {"narrow no-break space stays", "\xe2\x80\xaf", "\xe2\x80\xaf", "\xe2\x80\xaf"},
        {"U+2065 and U+206A stay", "\xe2\x81\xa5\xe2\x81\xaa", "\xe2\x81\xa5\xe2\x81\xaa", "\xe2\x81\xa5\xe2\x81\xaa"},
        {"Hebrew and Arabic letters stay", "\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d \xd8\xb3",
         "\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d \xd8\xb3", "\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d \xd8\xb3"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(core::DisplayText(c.raw), c.shown) << c.name;
        std::string json;
        core::AppendJsonText(json, c.raw);
        EXPECT_EQ(json, c.json) << c.name;
    }
}

}  // namespace
