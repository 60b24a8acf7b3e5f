// Row output: aligned columns, TSV and JSON of the same rows. The two text forms show
// captured control bytes escaped; JSON carries them as themselves.
#include <gtest/gtest.h>

#include <sstream>
#include <utility>

#include "cli/Output.h"

namespace cli {
namespace {

TEST(Output, ThreeFormatsOfTheSameRows) {
    const std::vector<Column> columns = {{"Counter", 7, true}, {"Summary", 4, false}, {"Len", 0, true}};
    struct Case {
        OutputFormat format;
        const char* expected;
    };
    const Case cases[] = {
        {OutputFormat::Human, "Counter  Summary  Len\n      7  a\\x09b    12\n   1000  \"q\"\\\\      3\n"},
        {OutputFormat::Tsv, "Counter\tSummary\tLen\n7\ta\\x09b\t12\n1000\t\"q\"\\\\\t3\n"},
        {OutputFormat::Json,
         R"([
{"Counter": 7, "Summary": "a\u0009b", "Len": 12},
{"Counter": 1000, "Summary": "\"q\"\\", "Len": 3}
]
)"},
    };
    for (const auto& c : cases) {
        std::ostringstream text;
        {
            Output out(text, c.format, columns);
            out.Row({"7", "a\tb", "12"});
            out.Row({"1000", "\"q\"\\", "3"});
        }
        EXPECT_EQ(text.str(), c.expected) << static_cast<int>(c.format);
    }
}

TEST(Output, NoRowsStillGivesAValidDocument) {
    std::ostringstream json;
    Output(json, OutputFormat::Json, {{"A", 1, false}}).Finish();
    EXPECT_EQ(json.str(), "[]\n");
    // Characters decode to themselves (a path keeps one backslash); a byte that is no UTF-8
    // becomes the text \xFF.
    EXPECT_EQ(Output::JsonQuote(std::string("\x01\n\\\"\xff", 5)), R"("\u0001\u000A\\\"\\xFF")");
}

// A right-to-left override in a cell reaches no form of the output as itself.
TEST(Output, AReorderingControlIsEscapedInEveryFormat) {
    const std::pair<OutputFormat, const char*> cases[] = {
        {OutputFormat::Human, "Summary\nGET /\\xE2\\x80\\xAEgpj.exe\n"},
        {OutputFormat::Tsv, "Summary\nGET /\\xE2\\x80\\xAEgpj.exe\n"},
        {OutputFormat::Json, "[\n{\"Summary\": \"GET /\\u202Egpj.exe\"}\n]\n"},
    };
    for (const auto& [format, expected] : cases) {
        std::ostringstream text;
        Output(text, format, {{"Summary", 0, false}}).Row({"GET /\xe2\x80\xaegpj.exe"});
        EXPECT_EQ(text.str(), expected) << static_cast<int>(format);
    }
}

}  // namespace
}  // namespace cli
