// The decoder set's rules: registered codes, the port dispatch order, level limits, the
// consumed-bytes stop, deltas, checksums and the detail text layout.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "DecodeFixtures.h"
#include "decode/BatchDecoding.h"
#include "decode/CPktNetworkParser.h"
#include "decode/CPktSummary.h"
#include "decode/CPktTransportParser.h"
#include "decode/DetailText.h"
#include "decode/TextAppend.h"

namespace decode::test {
namespace {

const std::string kFrames = std::string(PALOMET_TEST_DATA) + "/frames/";

TEST(DecoderSet, KnowsExactlyTheCodesOfItsDecoders) {
    const TestTables t;
    for (const ProtoCode code :
         {PROTO_ETHERNET,    PROTO_VLAN,         PROTO_LINUX_SLL,    PROTO_LINUX_SLL2, PROTO_ARP,    PROTO_IPV4,
          PROTO_IPV6,        PROTO_ICMP,         PROTO_TCP,          PROTO_UDP,        PROTO_DNS,    PROTO_NBNS,
          PROTO_FTP_COMMAND, PROTO_FTP_REPLY,    PROTO_SMTP_COMMAND, PROTO_SMTP_REPLY, PROTO_TELNET, PROTO_POP3_COMMAND,
          PROTO_POP3_REPLY,  PROTO_HTTP_REQUEST, PROTO_HTTP_RESPONSE}) {
        EXPECT_NE(t.parsers->GetParser(code), nullptr) << code;
    }
    for (const ProtoCode code : {0U, 1U, 8U, 9U, 16U, 21U, 26U, 30U, 33U, 34U, 40U, PROTO_NONE, 42U, 0xFFFFFFFFU}) {
        EXPECT_EQ(t.parsers->GetParser(code), nullptr) << code;
    }
}

TEST(PortDispatch, FirstRuleInOrderDecides) {
    struct Case {
        std::uint16_t source, destination;
        ProtoCode expected;
    };
    const Case cases[] = {
        {23, 53, PROTO_TELNET},          {53, 23, PROTO_TELNET},        {21, 80, PROTO_FTP_REPLY},
        {25, 21, PROTO_FTP_COMMAND},     {1025, 21, PROTO_FTP_COMMAND}, {25, 80, PROTO_SMTP_REPLY},
        {80, 25, PROTO_SMTP_COMMAND},    {110, 80, PROTO_POP3_REPLY},   {110, 1025, PROTO_POP3_REPLY},
        {1025, 110, PROTO_POP3_COMMAND}, {53, 137, PROTO_DNS},          {137, 53, PROTO_DNS},
        {137, 137, PROTO_NBNS},          {80, 137, PROTO_NBNS},         {80, 80, PROTO_HTTP_RESPONSE},
        {1025, 80, PROTO_HTTP_REQUEST},  {20, 1025, PROTO_NONE},        {1024, 1023, PROTO_NONE},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CPktTransportParser::PortsToCode(c.source, c.destination), c.expected)
            << c.source << " -> " << c.destination;
    }
}

struct LevelCase {
    std::uint32_t level;
    const char* source;
    const char* summary;
};

TEST(SummaryChain, LayersBelowTheLimitWriteTheRow) {
    const TestTables t;
    const Fixture fx = LoadFixture(kFrames + "telnet_login.hex", t.parsers.get());
    // The limit is exclusive: a limit equal to a layer's code leaves that layer out.
    const LevelCase cases[] = {
        {PROTO_ETHERNET, "", ""},
        {PROTO_ETHERNET + 1, "Cisco 123456", "ETHERNET:  ETYPE = 0x0800 : Protocol = IP"},
        {PROTO_IPV4, "Cisco 123456", "ETHERNET:  ETYPE = 0x0800 : Protocol = IP"},
        {PROTO_IPV4 + 1, "192.168.1.1", "IPv4:  Protocol = 6 (TCP)"},
        {PROTO_TELNET, "192.168.1.1", "TCP:  S=23 D=1030 PSH ACK=6000 SEQ=5000 LEN=27 WIN=4096 "},
        {PROTO_TELNET + 1, "192.168.1.1", "TELNET:  [Welcome to router1]"},
    };
    CPktSummary row;
    for (const auto& c : cases) {
        decode::SummaryOf(fx.batch, c.level, &row, 0);
        EXPECT_EQ(row.source, c.source) << c.level;
        EXPECT_EQ(row.summary, c.summary) << c.level;
    }
}

TEST(SummaryChain, ALayerThatUsesUpTheFrameEndsTheChain) {
    const TestTables t;
    // 14 bytes: a whole Ethernet header of type 0x0800 and nothing after it.
    const auto frame = MakeFrame(FromHex("00000c123456 00a0c9abcdef 0800"));
    CPktSummary row;
    EXPECT_EQ(t.parsers->DecodeSummary(LEVEL_APPLICATION, nullptr, &frame, row, 1000), 14U);
    EXPECT_EQ(row.summary, "ETHERNET:  ETYPE = 0x0800 : Protocol = IP");
    CPktDetailLine root;
    EXPECT_EQ(t.parsers->DecodeDetail(nullptr, &frame, root, 1000), 14U);
    EXPECT_EQ(root.Children().size(), 2U);  // frame step and Ethernet only
}

TEST(SummaryChain, DeltaOfAStampPairAtEveryTickRate) {
    const TestTables t;
    auto earlier = MakeFrame(FromHex("00"));
    auto later = MakeFrame(FromHex("00"));
    struct Case {
        std::int64_t from, to, rate;
        float expected;
    };
    const Case cases[] = {
        // the golden deltas_high_half text covers stamps across the high half
        {1000, 500, 1000, -500.0F},  // stamps that run backwards
        {0, 1, 0, 0.0F},             // no tick rate: no delta
        {std::numeric_limits<std::int64_t>::max(), std::numeric_limits<std::int64_t>::min(), 1000,
         1.0F},  // wraps, no overflow
    };
    CPktSummary row;
    for (const auto& c : cases) {
        earlier.SetStamp(c.from);
        later.SetStamp(c.to);
        t.parsers->DecodeSummary(LEVEL_APPLICATION, &earlier, &later, row, c.rate);
        EXPECT_FLOAT_EQ(row.timeDelta, c.expected) << c.from << " -> " << c.to;
    }
}

TEST(SnapDecoding, FramesNobodyHoldsGiveAnEmptyRowAndTree) {
    const TestTables t;
    CPktSummary row;
    row.summary = "stale";
    EXPECT_EQ(t.parsers->DecodeSummary(LEVEL_APPLICATION, nullptr, nullptr, row, 1000), 0U);
    EXPECT_EQ(row.summary, "");
    CPktDetailLine none;
    EXPECT_EQ(t.parsers->DecodeDetail(nullptr, nullptr, none, 1000), 0U);
    EXPECT_TRUE(none.Children().empty());
    // Frame numbers the batch does not hold, and a batch without decoders.
    const Fixture fx = LoadFixture(kFrames + "tcp_pure_ack.hex", t.parsers.get());
    decode::SummaryOf(fx.batch, LEVEL_APPLICATION, &row, 2);
    decode::SummaryOf(fx.batch, LEVEL_APPLICATION, nullptr, 0);
    EXPECT_EQ(row.summary, "");
    CPktDetailLine root;
    decode::DetailOf(fx.batch, &root, 99);
    EXPECT_TRUE(root.Children().empty());
    const capture::CPktSnap noDecoders(nullptr);
    decode::SummaryOf(noDecoders, LEVEL_APPLICATION, &row, 0);
    EXPECT_EQ(row.summary, "");
}

TEST(Checksum, OnesComplementSumOfRfc1071Example) {
    // RFC 1071 section 3: the words 0001 f203 f4f5 f6f7 sum to ddf2 after the fold.
    EXPECT_EQ(FoldChecksum(OnesComplementSum(FromHex("0001f203f4f5f6f7"))), 0xDDF2);
    // An odd last byte counts as the high half of a word.
    EXPECT_EQ(FoldChecksum(OnesComplementSum(FromHex("0001f203f4f5f6f7ab"))), FoldChecksum(0xDDF2 + 0xAB00));
}

TEST(Checksum, TcpVerdictOverAnOddLengthSegment) {
    const TestTables t;
    const Fixture fx = LoadFixture(kFrames + "tcp_flags.hex", t.parsers.get());
    auto bytes =
        std::vector<std::uint8_t>(fx.batch.GetFrame(0).GetData().begin() + 34, fx.batch.GetFrame(0).GetData().end());
    ASSERT_EQ(bytes.size(), 25U);  // 20 header bytes and "hello"
    CPktParseContext ctx;
    ctx.ipVersion = 4;
    ctx.ipSource = 0x0A000001;
    ctx.ipDestination = 0x0A000002;
    ctx.ipPayloadLength = 25;
    EXPECT_STREQ(TransportChecksumVerdict(ctx, 6, bytes), "OK");
    CPktParseContext other = ctx;
    other.ipSource += 1;
    EXPECT_STREQ(TransportChecksumVerdict(other, 6, bytes), "ERROR");
    other = ctx;
    other.ipFragment = true;  // the rest of the segment is in other fragments
    EXPECT_STREQ(TransportChecksumVerdict(other, 6, bytes), "not verified");
    bytes.back() ^= 0x01;
    EXPECT_STREQ(TransportChecksumVerdict(ctx, 6, bytes), "ERROR");
}

TEST(DetailText, IndentsFourSpacesPerLevelBelowTheTopLines) {
    CPktDetailLine root;
    auto& top = root.Add("TCP: ", " top");
    top.Add("TCP: ", " child").Add("TCP: ", " grandchild").Add("TCP: ", " three below");
    root.Add("UDP: ", " next");
    EXPECT_EQ(RenderDetailText(root),
              "TCP:  top\r\n"
              "    TCP:  child\r\n"
              "        TCP:  grandchild\r\n"
              "            TCP:  three below\r\n"
              "UDP:  next\r\n");
    EXPECT_EQ(RenderDetailText(CPktDetailLine()), "");
}

TEST(DeltaText, TruncatesTowardZeroAndSurvivesAnyFloat) {
    struct Case {
        float value;
        const char* text;
    };
    const Case cases[] = {{0.0F, "0"},          {0.99F, "0"},
                          {1666.67F, "1666"},   {-2.5F, "-2"},
                          {-0.4F, "0"},         {std::numeric_limits<float>::infinity(), "0"},
                          {std::nanf(""), "0"}, {1e20F, "100000002004087734272"}};
    for (const auto& c : cases) {
        std::string out;
        AppendDeltaMs(out, c.value);
        EXPECT_EQ(out, c.text) << c.value;
    }
}

}  // namespace
}  // namespace decode::test
