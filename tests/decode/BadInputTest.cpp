// Hostile frames: every prefix of every fixture through both chains, and hand-made headers
// whose length fields lie.
#include <gtest/gtest.h>

#include <filesystem>

#include "DecodeFixtures.h"
#include "decode/CPktSummary.h"
#include "decode/CPktTelnetParser.h"
#include "decode/DetailRanges.h"
#include "decode/DetailText.h"

namespace decode::test {
namespace {

namespace fs = std::filesystem;

const std::uint32_t kLevels[] = {LEVEL_DATALINK, LEVEL_NETWORK, LEVEL_TRANSPORT, LEVEL_APPLICATION};

struct Decoded {
    std::uint32_t consumed = 0;
    std::string summary;
    std::string detail;
};

// The application-level row (and what it consumed) and the detail text of one frame.
Decoded DecodeBoth(const TestTables& t, const capture::CPktSnapQue& frame) {
    Decoded d;
    CPktSummary row;
    d.consumed = t.parsers->DecodeSummary(LEVEL_APPLICATION, nullptr, &frame, row, 1000);
    d.summary = row.summary;
    CPktDetailLine root;
    t.parsers->DecodeDetail(nullptr, &frame, root, 1000);
    d.detail = RenderDetailText(root, "\n");
    return d;
}

// The last line of a detail text that is not indented: the top line of the last layer.
std::string LastTopLine(const std::string& detail) {
    std::string top;
    for (std::size_t at = 0; at < detail.size();) {
        const auto end = detail.find('\n', at);
        if (detail[at] != ' ') top = detail.substr(at, end - at);
        at = end + 1;
    }
    return top;
}

TEST(BadInput, EveryPrefixOfEveryFixtureStaysInsideTheFrame) {
    const TestTables t;  // with the application decoders: they get the cut frames too
    std::size_t runs = 0;
    for (const auto& entry : fs::directory_iterator(std::string(PALOMET_TEST_DATA) + "/frames")) {
        if (entry.path().extension() != ".hex") continue;
        const Fixture fx = LoadFixture(entry.path().string(), t.parsers.get());
        for (const auto& whole : fx.batch.Frames()) {
            const auto bytes = whole.GetData();
            for (std::size_t n = 0; n <= bytes.size(); ++n) {
                capture::CPktSnapQue cut = whole;
                cut.SetData(bytes.first(n));
                for (const std::uint32_t level : kLevels) {
                    CPktSummary row;
                    EXPECT_LE(t.parsers->DecodeSummary(level, nullptr, &cut, row, 1000), n);
                }
                CPktDetailLine root;
                EXPECT_LE(t.parsers->DecodeDetail(nullptr, &cut, root, 1000), n);
                // A cut header names only bytes the cut frame holds, nested as ever.
                const CPktDetailLine* stray = FindStrayRange(root, n);
                EXPECT_EQ(stray, nullptr) << entry.path().filename() << " cut to " << n << ": "
                                          << (stray != nullptr ? stray->Prefix() + stray->Text() : "");
                ++runs;
            }
        }
    }
    EXPECT_GT(runs, 500U);
}

// An Ethernet + IPv4 header in front of the given transport bytes (addresses 10.0.0.1 and
// 10.0.0.2, protocol proto, total length total, header checksum left 0).
std::string Ipv4Frame(const std::string& ipFirstByte, const std::string& total, const std::string& proto) {
    return "00000c123456 00a0c9abcdef 0800 " + ipFirstByte + "00" + total + " 0001 0000 40" + proto +
           " 0000 0a000001 0a000002";
}

// A frame whose headers are cut short or whose length fields lie: what was consumed, the row,
// and a detail line: a top line must be the last top line (the chain ended there), an
// indented line must be in the text.
TEST(BadInput, ShortHeadersAndLyingLengthsAreShownAsRead) {
    const TestTables t;
    struct Case {
        const char* name;
        std::string hex;
        std::uint32_t consumed;
        const char* summary;
        const char* detailLine;
    };
    const auto tcp = [](const char* offset) {
        return std::string("0400 0050 00000001 00000002 ") + offset + "10 2000 0000 0000";
    };
    const Case cases[] = {
        {"ethernet 13 bytes", "00000c123456 00a0c9abcdef 08", 0, "ETHERNET:  ERROR !", "ETHERNET:  ERROR !"},
        {"ethernet empty", "", 0, "ETHERNET:  ERROR !", "ETHERNET:  ERROR !"},
        {"ipv4 19 bytes", "00000c123456 00a0c9abcdef 0800 4500001400010000400600000a0000010a0000", 14, "IPv4: ERROR !",
         "ETHERNET:  ETYPE = 0x0800 : Protocol = IP"},
        {"tcp 19 bytes", Ipv4Frame("45", "0027", "06") + "04000050000000010000000050102000000000", 34, "TCP:  ERROR !",
         "IPv4:  ID = 0x1 : Protocol = Transmission Control : Len = 39"},
        {"udp 7 bytes", Ipv4Frame("45", "001b", "11") + "04050035000800", 34, "UDP:  ERROR !",
         "IPv4:  ID = 0x1 : Protocol = User Datagram : Len = 27"},
        // IHL 0: the header is 0 bytes long by its own word; the cursor stays after 20.
        {"ihl 0", Ipv4Frame("40", "0028", "06") + tcp("50"), 54, "TCP:  S=1024 D=80 ACK=2 SEQ=1 LEN=20 WIN=8192 ",
         "    IPv4:  Header length = 0 (0x0) bytes"},
        // IHL 15 with only 40 bytes left: beyond the frame, the cursor stays after 20; the
        // total length (40) is below the header length (60), so there is no payload.
        {"ihl beyond frame", Ipv4Frame("4f", "0028", "06") + tcp("50"), 54, "TCP:  S=1024 D=80 ACK=2 WIN=8192 ",
         "    IPv4:  Number of data bytes remaining -20 (0xFFFFFFEC)"},
        // Data offset 0: header length 0, so the whole IP payload (20) counts as data.
        {"data offset 0", Ipv4Frame("45", "0028", "06") + tcp("00"), 54,
         "TCP:  S=1024 D=80 ACK=2 SEQ=1 LEN=20 WIN=8192 ", "    TCP:  Data Offset = 0 bytes (0x0)"},
        // Data offset 15 past a 20-byte segment: no payload, not four billion bytes of it.
        {"data offset beyond frame", Ipv4Frame("45", "0028", "06") + tcp("f0"), 54, "TCP:  S=1024 D=80 ACK=2 WIN=8192 ",
         "    TCP:  Number of data bytes remaining = 0 (0x0)"},
        // Total length 0, as captures of offloaded segments have it: the payload is what the
        // frame holds (HTTP reads its line up to the CR), and neither checksum can be verified.
        {"total length 0", Ipv4Frame("45", "0000", "06") + tcp("50") + "4745540d0a", 58, "HTTP:  C = 'GET'",
         "    IPv4:  Checksum = 0x0000 (not verified)"},
        // A header or segment the capture cut short cannot have its checksum verified.
        {"ip header cut", Ipv4Frame("4f", "0028", "06") + tcp("50"), 54, "TCP:  S=1024 D=80 ACK=2 WIN=8192 ",
         "    IPv4:  Checksum = 0x0000 (not verified)"},
        {"tcp header cut", Ipv4Frame("45", "002c", "06") + tcp("60"), 54, "TCP:  S=1024 D=80 ACK=2 WIN=8192 ",
         "    TCP:  Checksum = 0x0 (not verified)"},
        // UDP length 3, below its own header: shown as read; the datagram goes on by port.
        {"udp length 3", Ipv4Frame("45", "0020", "11") + "0405 0017 0003 0000 0d0a0000", 43, "TELNET:  []",
         "    UDP:  Length = 3 (0x3) bytes"},
    };
    for (const auto& c : cases) {
        const Decoded d = DecodeBoth(t, MakeFrame(FromHex(c.hex)));
        EXPECT_EQ(d.consumed, c.consumed) << c.name;
        EXPECT_EQ(d.summary, c.summary) << c.name;
        if (c.detailLine[0] == ' ') {
            EXPECT_NE(d.detail.find(std::string(c.detailLine) + "\n"), std::string::npos) << c.name << "\n" << d.detail;
        } else {
            EXPECT_EQ(LastTopLine(d.detail), c.detailLine) << c.name;
        }
    }
}

TEST(BadInput, TelnetLineAtTheEndAndAtATerminator) {
    const CPktTelnetParser telnet;
    struct Case {
        std::string hex;
        const char* summary;
        std::size_t consumed;
    };
    const Case cases[] = {
        {"", "TELNET:  []", 0},                                // nothing left
        {"0d0a", "TELNET:  []", 1},                            // only a line end: CR consumed, LF left
        {"6f6b", "TELNET:  [ok]", 2},                          // no terminator before the end
        {"6f6b00ff", "TELNET:  [ok]", 3},                      // NUL ends the line
        {"fffb01 0a 6d6f7265", "TELNET:  [\xff\xfb\x01]", 4},  // option bytes are kept raw
    };
    for (const auto& c : cases) {
        const auto bytes = FromHex(c.hex);
        core::ByteReader in(bytes);
        CPktParseContext ctx;
        SummaryTexts out;
        EXPECT_EQ(telnet.ParseSummary(in, ctx, out), PROTO_NONE);
        EXPECT_EQ(out.summary, c.summary);
        EXPECT_EQ(in.Offset(), c.consumed);
        EXPECT_FALSE(in.Failed());
    }
}

}  // namespace
}  // namespace decode::test
