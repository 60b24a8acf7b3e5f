// The bytes each detail line names: fields at their place in the header, a layer's headline
// over what the layer read, lines about no bytes with none; and the nesting rule itself.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "DecodeFixtures.h"
#include "decode/BatchDecoding.h"
#include "decode/DetailRanges.h"

namespace decode::test {
namespace {

const std::string kFrames = std::string(PALOMET_TEST_DATA) + "/frames/";

// The first line, depth first, whose prefix and text start with start.
const CPktDetailLine* FindLine(const CPktDetailLine& line, const std::string& start) {
    for (const auto& child : line.Children()) {
        if ((child->Prefix() + child->Text()).starts_with(start)) return child.get();
        if (const CPktDetailLine* found = FindLine(*child, start)) return found;
    }
    return nullptr;
}

std::string Show(const std::optional<ByteRange>& bytes) {
    return bytes ? "(" + std::to_string(bytes->offset) + ", " + std::to_string(bytes->length) + ")" : "none";
}

struct RangeCase {
    const char* fixture;
    std::uint32_t frame;
    const char* line;
    std::optional<ByteRange> bytes;  // offsets counted by hand from the fixture's layout
};

TEST(DetailBytes, EachLineNamesTheBytesOfItsField) {
    // tcp_http_get: Ethernet 0-13, IPv4 14-33, TCP 34-53, the request line from 54, its one
    // header line from 80.
    // udp_dns_query: IPv4 14-33, UDP 34-41, DNS from 42: ID, flags, four counts, the question
    // from 54 (a 17-octet name, type, class). app_dns_session 1: its first answer from 75 (a
    // name pointer, type, class, TTL, RDLENGTH, six octets of RDATA); 2: DNS over TCP. arp_request: ARP from 14. app_smtp:
    // the command line from 54, its line end left out.
    const RangeCase cases[] = {
        {"tcp_http_get.hex", 0, "FRAME:  Base frame properties", ByteRange{0, 95}},
        {"tcp_http_get.hex", 0, "FRAME:  Time of capture", std::nullopt},
        {"tcp_http_get.hex", 0, "ETHERNET:  ETYPE", ByteRange{0, 14}},
        {"tcp_http_get.hex", 0, "ETHERNET:  Source address", ByteRange{6, 6}},
        {"tcp_http_get.hex", 0, "ETHERNET:  Vendor", ByteRange{0, 3}},
        {"tcp_http_get.hex", 0, "ETHERNET:  Ethernet type", ByteRange{12, 2}},
        {"tcp_http_get.hex", 0, "ETHERNET:  Number of data bytes remaining", std::nullopt},
        {"tcp_http_get.hex", 0, "IPv4:  ID = ", ByteRange{14, 20}},
        {"tcp_http_get.hex", 0, "IPv4:  ...0.... = Normal Delay", ByteRange{15, 1}},
        {"tcp_http_get.hex", 0, "IPv4:  Time to live", ByteRange{22, 1}},
        {"tcp_http_get.hex", 0, "IPv4:  Destination address", ByteRange{30, 4}},
        {"tcp_http_get.hex", 0, "TCP:  Sequence number", ByteRange{38, 4}},
        {"tcp_http_get.hex", 0, "TCP:  ....1... = Push", ByteRange{47, 1}},
        {"tcp_http_get.hex", 0, "TCP:  Checksum", ByteRange{50, 2}},
        {"tcp_http_get.hex", 0, "HTTP:  Request", ByteRange{54, 41}},
        {"tcp_http_get.hex", 0, "HTTP:  Undocumented Header = ", ByteRange{80, 11}},  // "Accept: */*"
        {"tcp_http_get.hex", 0, "HTTP:  Undocumented Header Fieldname", ByteRange{80, 6}},
        {"tcp_http_get.hex", 0, "HTTP:  Undocumented Header Value", ByteRange{87, 4}},
        {"udp_dns_query.hex", 0, "UDP:  Src Port", ByteRange{34, 8}},
        {"udp_dns_query.hex", 0, "UDP:  Destination port", ByteRange{36, 2}},
        {"udp_dns_query.hex", 0, "DNS: ", ByteRange{42, 33}},
        {"udp_dns_query.hex", 0, "DNS: Query Identifier", ByteRange{42, 2}},
        {"udp_dns_query.hex", 0, "DNS: .......1........ = Reqursive", ByteRange{44, 2}},
        {"udp_dns_query.hex", 0, "DNS: Name Server Count", ByteRange{50, 2}},
        {"udp_dns_query.hex", 0, "DNS: Question Section", ByteRange{54, 21}},
        {"udp_dns_query.hex", 0, "DNS: Question Name", ByteRange{54, 17}},
        {"udp_dns_query.hex", 0, "DNS: Question Class", ByteRange{73, 2}},
        {"app_dns_session.hex", 1, "DNS: Resource Record: 'www.example.com'", ByteRange{75, 18}},
        {"app_dns_session.hex", 1, "DNS: Resource Name: 'www.example.com'", ByteRange{75, 2}},  // a pointer
        {"app_dns_session.hex", 1, "DNS: Time To Live = 300", ByteRange{81, 4}},
        {"app_dns_session.hex", 1, "DNS: Canonical", ByteRange{87, 6}},
        {"app_dns_session.hex", 2, "DNS: DNS Frame Size", ByteRange{54, 2}},  // the TCP length prefix
        {"app_dns_session.hex", 2, "DNS: Query Identifier", ByteRange{56, 2}},
        // A node status answer's RDATA from 98: the count, then 16 octets and 2 of flags a name.
        {"app_nbns.hex", 3, "NBNS: Number of Names", ByteRange{98, 1}},
        {"app_nbns.hex", 3, "NBNS: Resource Record Flags", ByteRange{115, 2}},
        {"app_nbns.hex", 3, "NBNS: ASCII Name = WORKGROUP", ByteRange{117, 16}},
        {"arp_request.hex", 0, "ARP:  Operation", ByteRange{20, 2}},
        {"arp_request.hex", 0, "ARP:  Target protocol address", ByteRange{38, 4}},
        {"tcp_syn_mss.hex", 0, "TCP:  Options", ByteRange{54, 4}},
        {"tcp_syn_mss.hex", 0, "TCP:  Maximum", ByteRange{54, 4}},
        {"tcp_options.hex", 2, "TCP:  Block = 5000-6000", ByteRange{58, 8}},  // SACK after two NOPs
        {"tcp_options.hex", 2, "TCP:  Block = 7000-8000", ByteRange{66, 8}},
        {"ipv6_extensions.hex", 0, "IPv6:  Hop limit", ByteRange{21, 1}},
        // A port unreachable quoting the datagram from 42: its IPv4 header, then UDP's ports.
        {"icmp_messages.hex", 2, "ICMP:  Quoted datagram", ByteRange{42, 36}},
        {"icmp_messages.hex", 2, "ICMP:  Quoted IPv4 header", ByteRange{42, 20}},
        {"icmp_messages.hex", 2, "ICMP:  Quoted UDP ports", ByteRange{62, 4}},
        // A router advertisement's options from 70: the prefix's, then the MTU's from 102.
        {"icmpv6_nd.hex", 2, "ICMPv6:  Prefix = 2001:db8:1::/64", ByteRange{86, 16}},
        {"icmpv6_nd.hex", 2, "ICMPv6:  Valid lifetime", ByteRange{74, 4}},
        {"icmpv6_nd.hex", 2, "ICMPv6:  MTU = 1500", ByteRange{106, 4}},
        {"ipv6_extensions.hex", 0, "IPv6:  Destination options", ByteRange{54, 8}},
        {"app_smtp.hex", 1, "SMTP:  Command = ", ByteRange{54, 23}},  // "HELO client.example.com"
    };
    const TestTables tables;
    for (const auto& c : cases) {
        const Fixture fx = LoadFixture(kFrames + c.fixture, tables.parsers.get());
        CPktDetailLine root;
        DetailOf(fx.batch, &root, c.frame);
        const CPktDetailLine* line = FindLine(root, c.line);
        ASSERT_NE(line, nullptr) << c.fixture << ": no line starts with '" << c.line << "'";
        EXPECT_EQ(line->Bytes(), c.bytes) << c.fixture << " '" << c.line << "' names " << Show(line->Bytes());
    }
}

TEST(DetailBytes, NestingRuleFindsTheFirstStrayLine) {
    const std::vector<std::uint8_t> frame(20, 0);
    const std::span<const std::uint8_t> bytes(frame);
    const std::vector<std::uint8_t> copy(4, 0);

    CPktDetailLine root;
    root.SetFrame(bytes);
    CPktDetailLine& header = root.Add("X: ", "header", bytes.first(8));
    CPktDetailLine& field = header.Add("X: ", "field", bytes.subspan(2, 2));
    CPktDetailLine& count = header.Add("X: ", "count");  // about no bytes
    CPktDetailLine& below = count.Add("X: ", "bit", bytes.subspan(4, 1));
    header.Add("X: ", "copied", copy);
    EXPECT_EQ(count.Bytes(), std::nullopt);
    EXPECT_EQ(header.Children().back()->Bytes(), std::nullopt) << "bytes outside the frame are not named";
    EXPECT_EQ(FindStrayRange(root, frame.size()), nullptr);

    // Checked against the nearest line above that names bytes, and against the frame.
    below.SetBytes(ByteRange{7, 2});
    EXPECT_EQ(FindStrayRange(root, frame.size()), &below);
    below.SetBytes(std::nullopt);
    field.SetBytes(ByteRange{2, 0});
    EXPECT_EQ(FindStrayRange(root, frame.size()), &field) << "an empty range names nothing";
    field.SetBytes(std::nullopt);
    header.SetBytes(ByteRange{16, 8});
    EXPECT_EQ(FindStrayRange(root, frame.size()), &header);
}

}  // namespace
}  // namespace decode::test
