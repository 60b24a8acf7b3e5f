// The tables as shown: number texts, the order by any column with "other" last, the TSV.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "stats/StatsTables.h"

namespace stats::test {
namespace {

TEST(StatsTexts, SecondsAndShares) {
    struct Case {
        std::int64_t ns;
        const char* text;
    };
    const Case seconds[] = {
        {0, "0.000000"},
        {499, "0.000000"},
        {500, "0.000001"},
        {1'999'999'500, "2.000000"},
        {-2'500'000'000, "-2.500000"},
        {3'600'000'000'000, "3600.000000"},
    };
    for (const Case& c : seconds) EXPECT_EQ(SecondsText(c.ns), c.text) << c.ns;

    struct ShareCase {
        std::uint64_t part, whole;
        const char* text;
    };
    const ShareCase shares[] = {{1, 3, "33.33"}, {2, 3, "66.67"}, {0, 0, "0.00"}, {5, 5, "100.00"}};
    for (const ShareCase& c : shares) EXPECT_EQ(ShareText(c.part, c.whole), c.text) << c.part << "/" << c.whole;
}

// Three conversations and the "other" row, filled in by hand.
std::unique_ptr<ConversationStatsTable> Sample() {
    ConversationTable table(3);
    const auto add = [&](std::uint32_t a, std::uint32_t b, std::uint32_t bytes, std::int64_t time, std::uint32_t n) {
        table.Add(Address::V4(a), Address::V4(b), FrameSample{time, bytes, n});
    };
    add(0x0A000009, 0x0A000001, 100, 0, 1);  // 10.0.0.9 -> 10.0.0.1
    add(0x0A000001, 0x0A000009, 100, 5, 2);
    add(0x0A000002, 0x0A000001, 1500, 10, 3);  // 10.0.0.2: one large frame
    add(0xC0A80001, 0x0A000001, 60, 20, 4);    // 192.168.0.1
    add(0x0B000001, 0x0A000001, 9000, 30, 5);  // over the cap
    add(0x0B000002, 0x0A000001, 9000, 31, 6);
    return MakeConversationTable(TableKind::IPv4, table);
}

TEST(StatsTable, SortsByAnyColumnWithOtherLast) {
    const auto table = Sample();
    ASSERT_EQ(table->Columns()[0].name, "Address A");
    struct Case {
        const char* column;
        bool descending;
        std::vector<std::string> firstColumn;
    };
    const Case cases[] = {
        // The table's own order: frames, then bytes.
        {"Frames", true, {"10.0.0.9", "10.0.0.2", "192.168.0.1", "other"}},
        {"Bytes", false, {"192.168.0.1", "10.0.0.9", "10.0.0.2", "other"}},
        {"Bytes", true, {"10.0.0.2", "10.0.0.9", "192.168.0.1", "other"}},
        // Addresses by their bytes, not their text: 10.0.0.9 before 10.0.0.2 would be text.
        {"Address A", false, {"10.0.0.2", "10.0.0.9", "192.168.0.1", "other"}},
        {"Address A", true, {"192.168.0.1", "10.0.0.9", "10.0.0.2", "other"}},
        {"Start", true, {"192.168.0.1", "10.0.0.2", "10.0.0.9", "other"}},
    };
    for (const Case& c : cases) {
        std::size_t column = 0;
        while (table->Columns()[column].name != c.column) ++column;
        std::vector<std::string> first;
        for (const std::size_t row : table->SortedBy(column, c.descending)) first.push_back(table->Text(row, 0));
        EXPECT_EQ(first, c.firstColumn) << c.column << (c.descending ? " descending" : " ascending");
    }
}

TEST(StatsTable, TsvHasTheHeaderAndTheRowsInTheOrderGiven) {
    const auto table = Sample();
    const std::vector<std::size_t> order = {3, 1};
    EXPECT_EQ(table->Tsv(order),
              "Address A\tAddress B\tFrames\tBytes\tFrames A->B\tBytes A->B\tFrames B->A\tBytes B->A\tStart\tDuration\t"
              "First frame\n"
              "other\t\t2\t18000\t2\t18000\t0\t0\t\t\t\n"
              "10.0.0.2\t10.0.0.1\t1\t1500\t1\t1500\t0\t0\t0.000000\t0.000000\t3\n");
    // A double-click goes to a conversation's first frame; the other row has none.
    EXPECT_EQ(table->FirstFrame(0), 1U);
    EXPECT_EQ(table->FirstFrame(3), std::nullopt);
}

}  // namespace
}  // namespace stats::test
