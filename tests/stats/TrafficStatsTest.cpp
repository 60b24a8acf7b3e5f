// The statistics engine fed from the decoders: the four views of one small LAN capture,
// what a frame cut short still counts, and the caps that keep hostile input bounded.
#include <gtest/gtest.h>

#include <cmath>

#include <string>
#include <vector>

#include "decode/DecodeFixtures.h"
#include "stats/IoRates.h"
#include "stats/StatsFrames.h"
#include "stats/StatsTables.h"
#include "stats/TrafficStats.h"

namespace stats::test {
namespace {

const std::string kIntel = "00:a0:c9:00:00:01";
const std::string kHostB = "02:00:00:00:00:02";
const std::string kHostC = "02:00:00:00:00:03";
const std::string kBroadcast = "ff:ff:ff:ff:ff:ff";
constexpr std::int64_t kMs = 1'000'000;

// A name lookup and its answer, a web connection's first segment, another lookup, an ARP
// broadcast and a lookup over IPv6. Wire lengths: 52, 72, 54, 52, 42, 74 (346 bytes).
std::vector<FrameRecipe> LanMix() {
    return {
        {kIntel, kHostB, "10.0.0.1", "10.0.0.2", 17, 1024, 53, 0, 10, 1},
        {kHostB, kIntel, "10.0.0.2", "10.0.0.1", 17, 53, 1024, 500 * kMs, 30, 2},
        {kHostC, kIntel, "10.0.0.3", "10.0.0.1", 6, 40000, 80, 1250 * kMs, 0, 3},
        {kIntel, kHostB, "10.0.0.1", "10.0.0.2", 17, 1024, 53, 2000 * kMs, 10, 4},
        {kHostC, kBroadcast, "", "", 0, 0, 0, 2500 * kMs, 0, 5},
        {kIntel, kHostB, "2001:db8::1", "2001:db8::2", 17, 5000, 53, 3000 * kMs, 12, 6},
    };
}

StatsRequest Everything(std::size_t cap = 1000) {
    StatsRequest r;
    r.protocols = true;
    r.conversations.fill(true);
    r.endpoints.fill(true);
    r.ioInterval = 1000 * kMs;
    r.tableCap = cap;
    return r;
}

void Feed(TrafficStats& stats, const std::vector<FrameRecipe>& frames) {
    for (const FrameRecipe& f : frames) stats.AddFrame(BuildFrame(f), kFrequency);
}

// Every row as the TSV a copy makes, header left out, in the table's own order.
template <class Table>
std::vector<std::string> Lines(const Table& table) {
    std::vector<std::size_t> order(table.RowCount());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::vector<std::string> lines;
    const std::string tsv = table.Tsv(order);
    std::size_t at = tsv.find('\n') + 1;
    while (at < tsv.size()) {
        const std::size_t end = tsv.find('\n', at);
        lines.push_back(tsv.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

struct TableCase {
    const char* name;
    TableKind kind;
    bool conversations;  // else endpoints
    std::vector<std::string> rows;
};

class LanTables : public ::testing::TestWithParam<TableCase> {};

TEST_P(LanTables, CountEachPairOrStationOnce) {
    const TableCase& c = GetParam();
    const decode::test::TestTables t;
    TrafficStats stats(*t.parsers, Everything());
    Feed(stats, LanMix());
    const auto lines = c.conversations ? Lines(*MakeConversationTable(c.kind, *stats.Conversations(c.kind)))
                                       : Lines(*MakeEndpointTable(c.kind, *stats.Endpoints(c.kind), &t.ether));
    EXPECT_EQ(lines, c.rows);
}

// Conversations: A, [port A], B, [port B], frames, bytes, A->B frames and bytes, B->A frames
// and bytes, start, duration, first frame. Endpoints: address, [port], [vendor], frames,
// bytes, tx frames and bytes, rx frames and bytes, first frame.
INSTANTIATE_TEST_SUITE_P(
    Stats, LanTables,
    ::testing::Values(TableCase{"ConversationsIPv4",
                                TableKind::IPv4,
                                true,
                                {"10.0.0.1\t10.0.0.2\t3\t176\t2\t104\t1\t72\t0.000000\t2.000000\t1",
                                 // A is the first frame's source even where it sorts after B.
                                 "10.0.0.3\t10.0.0.1\t1\t54\t1\t54\t0\t0\t1.250000\t0.000000\t3"}},
                      TableCase{"ConversationsUDP",
                                TableKind::UDP,
                                true,
                                {"10.0.0.1\t1024\t10.0.0.2\t53\t3\t176\t2\t104\t1\t72\t0.000000\t2.000000\t1",
                                 "2001:db8::1\t5000\t2001:db8::2\t53\t1\t74\t1\t74\t0\t0\t3.000000\t0.000000\t6"}},
                      TableCase{"ConversationsTCP",
                                TableKind::TCP,
                                true,
                                {"10.0.0.3\t40000\t10.0.0.1\t80\t1\t54\t1\t54\t0\t0\t1.250000\t0.000000\t3"}},
                      TableCase{"ConversationsIPv6",
                                TableKind::IPv6,
                                true,
                                {"2001:db8::1\t2001:db8::2\t1\t74\t1\t74\t0\t0\t3.000000\t0.000000\t6"}},
                      TableCase{"ConversationsEthernet",
                                TableKind::Ethernet,
                                true,
                                {"00:a0:c9:00:00:01\t02:00:00:00:00:02\t4\t250\t3\t178\t1\t72\t0.000000\t3.000000\t1",
                                 "02:00:00:00:00:03\t00:a0:c9:00:00:01\t1\t54\t1\t54\t0\t0\t1.250000\t0.000000\t3",
                                 "02:00:00:00:00:03\tff:ff:ff:ff:ff:ff\t1\t42\t1\t42\t0\t0\t2.500000\t0.000000\t5"}},
                      TableCase{"EndpointsIPv4",
                                TableKind::IPv4,
                                false,
                                {"10.0.0.1\t4\t230\t2\t104\t2\t126\t1", "10.0.0.2\t3\t176\t1\t72\t2\t104\t1",
                                 "10.0.0.3\t1\t54\t1\t54\t0\t0\t3"}},
                      TableCase{"EndpointsTCP",
                                TableKind::TCP,
                                false,
                                // Equal counts and first frames: by address and port.
                                {"10.0.0.1\t80\t1\t54\t0\t0\t1\t54\t3", "10.0.0.3\t40000\t1\t54\t1\t54\t0\t0\t3"}},
                      TableCase{"EndpointsEthernetWithVendors",
                                TableKind::Ethernet,
                                false,
                                {"00:a0:c9:00:00:01\tIntel\t5\t304\t3\t178\t2\t126\t1",
                                 "02:00:00:00:00:02\t\t4\t250\t1\t72\t3\t178\t1",
                                 "02:00:00:00:00:03\t\t2\t96\t2\t96\t0\t0\t3",
                                 "ff:ff:ff:ff:ff:ff\t\t1\t42\t0\t0\t1\t42\t5"}}),
    [](const ::testing::TestParamInfo<TableCase>& c) { return std::string(c.param.name); });

TEST(ProtocolHierarchy, EveryPathWithItsFramesAndBytes) {
    const decode::test::TestTables t;
    TrafficStats stats(*t.parsers, Everything());
    Feed(stats, LanMix());
    const auto table = MakeProtocolTable(*stats.Protocols());
    struct Row {
        std::string path;
        std::uint64_t frames, bytes;
        std::string frameShare;
    };
    // Depth first; siblings by frames, ties in the order first seen (ARP came before IPv6).
    const std::vector<Row> expected = {
        {"Ethernet", 6, 346, "100.00"},
        {"Ethernet/IPv4", 4, 230, "66.67"},
        {"Ethernet/IPv4/UDP", 3, 176, "50.00"},
        {"Ethernet/IPv4/UDP/DNS", 3, 176, "50.00"},
        {"Ethernet/IPv4/TCP", 1, 54, "16.67"},
        {"Ethernet/ARP", 1, 42, "16.67"},
        {"Ethernet/IPv6", 1, 74, "16.67"},
        {"Ethernet/IPv6/UDP", 1, 74, "16.67"},
        {"Ethernet/IPv6/UDP/DNS", 1, 74, "16.67"},
    };
    ASSERT_EQ(table->RowCount(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const ProtocolRow& r = table->Rows()[i];
        EXPECT_EQ(r.path, expected[i].path) << i;
        EXPECT_EQ(r.frames, expected[i].frames) << r.path;
        EXPECT_EQ(r.bytes, expected[i].bytes) << r.path;
        EXPECT_EQ(table->Text(i, 2), expected[i].frameShare) << r.path;
    }
}

TEST(ProtocolHierarchy, NamesFollowTheLayerBelowAndMergeRepliesWithRequests) {
    struct Case {
        FrameRecipe frame;
        const char* path;
    };
    const Case cases[] = {
        {{kIntel, kHostB, "10.0.0.1", "10.0.0.2", 1, 0, 0, 0, 0, 1}, "Ethernet/IPv4/ICMP"},
        {{kIntel, kHostB, "fe80::1", "fe80::2", 58, 0, 0, 0, 0, 1}, "Ethernet/IPv6/ICMPv6"},
        {{kIntel, kHostB, "10.0.0.1", "10.0.0.2", 6, 80, 40000, 0, 20, 1}, "Ethernet/IPv4/TCP/HTTP"},
        {{kIntel, kHostB, "10.0.0.1", "10.0.0.2", 6, 40000, 80, 0, 20, 1}, "Ethernet/IPv4/TCP/HTTP"},
        {{kIntel, kHostB, "10.0.0.1", "10.0.0.2", 6, 21, 40000, 0, 20, 1}, "Ethernet/IPv4/TCP/FTP"},
    };
    for (const Case& c : cases) {
        const decode::test::TestTables t;
        TrafficStats stats(*t.parsers, Everything());
        stats.AddFrame(BuildFrame(c.frame), kFrequency);
        const auto table = MakeProtocolTable(*stats.Protocols());
        ASSERT_FALSE(table->Rows().empty());
        EXPECT_EQ(table->Rows().back().path, c.path);
    }
}

// A frame cut short inside a header counts in the layers below it only: no station is made
// up from bytes that were not captured.
TEST(TrafficStats, AHeaderCutShortMakesNoStation) {
    struct Case {
        const char* name;
        std::uint32_t cutTo;
        std::size_t ethernet, ipv4, udp;  // conversations expected
    };
    const Case cases[] = {
        {"whole", 0, 1, 1, 1},
        {"inside the Ethernet header", 10, 0, 0, 0},
        {"inside the IPv4 header", 14 + 12, 1, 0, 0},
        {"inside the UDP header", 14 + 20 + 4, 1, 1, 0},
    };
    for (const Case& c : cases) {
        const decode::test::TestTables t;
        TrafficStats stats(*t.parsers, Everything());
        FrameRecipe f{kIntel, kHostB, "10.0.0.1", "10.0.0.2", 17, 1024, 53, 0, 10, 1};
        f.cutTo = c.cutTo;
        stats.AddFrame(BuildFrame(f), kFrequency);
        EXPECT_EQ(stats.Conversations(TableKind::Ethernet)->Size(), c.ethernet) << c.name;
        EXPECT_EQ(stats.Conversations(TableKind::IPv4)->Size(), c.ipv4) << c.name;
        EXPECT_EQ(stats.Conversations(TableKind::UDP)->Size(), c.udp) << c.name;
        // Every frame counts in full, wire length included, whatever was captured of it.
        EXPECT_EQ(stats.Bytes(), 52U) << c.name;
    }
}

// A scan: every frame from a new address. The tables stop at their cap, known pairs keep
// counting in their own rows, and the rest is one "other" row that the notes announce.
TEST(TrafficStats, TablesStopAtTheirCapWithAnOtherRow) {
    const decode::test::TestTables t;
    TrafficStats stats(*t.parsers, Everything(3));
    std::vector<FrameRecipe> frames;
    for (std::uint32_t i = 0; i < 50; ++i) {
        const std::string source = "10.1." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1);
        frames.push_back({kIntel, kHostB, source, "10.0.0.2", 17, 1024, 53, i * kMs, 10, i + 1});
    }
    // The first pair again, after the table filled.
    frames.push_back({kIntel, kHostB, "10.0.0.2", "10.1.0.1", 17, 53, 1024, 60 * kMs, 10, 51});
    Feed(stats, frames);

    const auto conversations = MakeConversationTable(TableKind::IPv4, *stats.Conversations(TableKind::IPv4));
    ASSERT_EQ(conversations->RowCount(), 4U);
    EXPECT_EQ(conversations->Text(0, 0), "10.1.0.1");
    EXPECT_EQ(conversations->Text(0, 2), "2");  // both directions of the known pair
    EXPECT_EQ(conversations->Text(3, 0), "other");
    EXPECT_EQ(conversations->Text(3, 2), "47");
    EXPECT_EQ(conversations->Text(3, 8), "");  // no start for the other row
    ASSERT_EQ(conversations->notes.size(), 1U);
    EXPECT_NE(conversations->notes[0].find("\"other\""), std::string::npos);

    // 10.0.0.2 took the first row; two sources followed; 48 sources went to "other".
    const auto endpoints = MakeEndpointTable(TableKind::IPv4, *stats.Endpoints(TableKind::IPv4), nullptr);
    ASSERT_EQ(endpoints->RowCount(), 4U);
    EXPECT_EQ(endpoints->Text(0, 0), "10.0.0.2");
    EXPECT_EQ(endpoints->Text(0, 1), "51");
    EXPECT_EQ(endpoints->Text(3, 0), "other");
    EXPECT_EQ(endpoints->Text(3, 3), "48");  // sent by the sources that found no row
    EXPECT_EQ(stats.Conversations(TableKind::Ethernet)->OtherFrames(), 0U);
}

TEST(IoSeries, FramesAndBytesPerInterval) {
    struct Case {
        const char* name;
        std::int64_t interval;
        std::size_t maxIntervals;
        std::vector<std::string> rows;  // start, end, frames, bytes, matched frames, matched bytes
    };
    const Case cases[] = {
        {"one second",
         1000 * kMs,
         100,
         {"0.000000\t1.000000\t2\t124\t1\t72", "1.000000\t2.000000\t1\t54\t0\t0", "2.000000\t3.000000\t2\t94\t0\t0",
          "3.000000\t4.000000\t1\t74\t1\t74"}},
        {"the last frames beyond the cap",
         1000 * kMs,
         2,
         {"0.000000\t1.000000\t2\t124\t1\t72", "1.000000\t2.000000\t1\t54\t0\t0", "\tother\t3\t168\t1\t74"}},
        {"an hour at most", 7200 * 1000 * kMs, 100, {"0.000000\t3600.000000\t6\t346\t2\t146"}},
        {"a millisecond at least", 1000, 4, {"0.000000\t0.001000\t1\t52\t0\t0", "\tother\t5\t294\t2\t146"}},
        {"empty intervals between frames kept",
         500 * kMs,
         100,
         {"0.000000\t0.500000\t1\t52\t0\t0", "0.500000\t1.000000\t1\t72\t1\t72", "1.000000\t1.500000\t1\t54\t0\t0",
          "1.500000\t2.000000\t0\t0\t0\t0", "2.000000\t2.500000\t1\t52\t0\t0", "2.500000\t3.000000\t1\t42\t0\t0",
          "3.000000\t3.500000\t1\t74\t1\t74"}},
    };
    for (const Case& c : cases) {
        const decode::test::TestTables t;
        StatsRequest request;
        request.ioInterval = c.interval;
        request.maxIntervals = c.maxIntervals;
        request.ioMatch = [](const capture::CPktSnapQue& frame) { return frame.GetTotalLength() > 70; };
        TrafficStats stats(*t.parsers, request);
        Feed(stats, LanMix());
        EXPECT_EQ(Lines(*MakeIoTable(*stats.Io())), c.rows) << c.name;
    }
}

// What the graph draws: rates per second, neighbours merged when there is no room for every
// interval; and where a click at a time goes.
TEST(IoSeries, RatesForTheGraphAndTheFrameAtATime) {
    const decode::test::TestTables t;
    StatsRequest request;
    request.ioInterval = 500 * kMs;
    TrafficStats stats(*t.parsers, request);
    Feed(stats, LanMix());
    const IoSeries& series = *stats.Io();
    struct Case {
        std::size_t maxPoints;
        std::vector<double> seconds, frames, bytes;
    };
    const Case cases[] = {
        {100, {0, 0.5, 1, 1.5, 2, 2.5, 3}, {2, 2, 2, 0, 2, 2, 2}, {104, 144, 108, 0, 104, 84, 148}},
        {3, {0, 1.5, 3}, {2, 2 / 1.5, 1 / 1.5}, {178 / 1.5, 94 / 1.5, 74 / 1.5}},
    };
    for (const Case& c : cases) {
        const IoRates rates = RatesOf(series, c.maxPoints);
        ASSERT_EQ(rates.points.size(), c.seconds.size()) << c.maxPoints;
        for (std::size_t i = 0; i < c.seconds.size(); ++i) {
            EXPECT_DOUBLE_EQ(rates.points[i].seconds, c.seconds[i]) << c.maxPoints << " " << i;
            EXPECT_DOUBLE_EQ(rates.points[i].frames, c.frames[i]) << c.maxPoints << " " << i;
            EXPECT_DOUBLE_EQ(rates.points[i].bytes, c.bytes[i]) << c.maxPoints << " " << i;
        }
    }
    const std::pair<double, std::optional<std::uint32_t>> clicks[] = {
        {-2, 1}, {0.2, 1}, {1.7, 4}, {3.2, 6}, {3.6, std::nullopt}, {std::nan(""), std::nullopt}};
    for (const auto& [seconds, frame] : clicks) EXPECT_EQ(FrameAtTime(series, seconds), frame) << seconds;
}

TEST(IoSeries, AFrameStampedBeforeTheFirstGoesToOther) {
    const decode::test::TestTables t;
    StatsRequest request;
    request.ioInterval = 1000 * kMs;
    TrafficStats stats(*t.parsers, request);
    Feed(stats, {{kIntel, kHostB, "10.0.0.1", "10.0.0.2", 17, 1024, 53, 5000 * kMs, 10, 1},
                 {kIntel, kHostB, "10.0.0.1", "10.0.0.2", 17, 1024, 53, 1000 * kMs, 10, 2}});
    EXPECT_EQ(Lines(*MakeIoTable(*stats.Io())),
              (std::vector<std::string>{"0.000000\t1.000000\t1\t52", "\tother\t1\t52"}));
}

// Stamps are read from files: frames as far apart as 64 bits go, counted by a clock of one
// tick a second, neither overflow a time nor land in an interval they are not in.
TEST(IoSeries, StampsAtTheEndsOfTheirRangeGoToOther) {
    const decode::test::TestTables t;
    StatsRequest request;
    request.ioInterval = 1000 * kMs;
    TrafficStats stats(*t.parsers, request);
    for (const std::int64_t stamp : {std::int64_t{0}, INT64_MAX, INT64_MIN, std::int64_t{1}}) {
        auto frame = BuildFrame({kIntel, kHostB, "10.0.0.1", "10.0.0.2", 17, 1024, 53, 0, 10, 1});
        frame.SetStamp(stamp);
        frame.SetCaptureTime(7);
        stats.AddFrame(frame, 1);
    }
    EXPECT_EQ(Lines(*MakeIoTable(*stats.Io())),
              (std::vector<std::string>{"0.000000\t1.000000\t1\t52", "1.000000\t2.000000\t1\t52", "\tother\t2\t104"}));
}

}  // namespace
}  // namespace stats::test
