// The layers of today's traffic on hand-made frames: headers cut short, lengths that lie,
// loops and options of length 0 and 1, each shown as read and never read past the frame;
// and IPv6 addresses in the form inet_ntop writes.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <array>
#include <random>

#include "DecodeFixtures.h"
#include "decode/CPktSummary.h"
#include "decode/DetailText.h"
#include "decode/TextAppend.h"

namespace decode::test {
namespace {

constexpr const char* kMacs = "00000c123456 00a0c9abcdef ";
constexpr const char* kV6Addresses = "20010db8000100000000000000000020 20010db8000100000000000000000053 ";

// Ethernet + IPv6 (payload length plen, next header nh, hop limit 64) in front of the rest.
std::string Ipv6Frame(const std::string& plen, const std::string& nh) {
    return std::string(kMacs) + "86dd 60000000 " + plen + nh + "40 " + kV6Addresses;
}
// Ethernet + IPv4 (total length total, protocol proto, checksum 0) in front of the rest.
std::string Ipv4Frame(const std::string& total, const std::string& proto) {
    return std::string(kMacs) + "0800 4500" + total + " 0001 0000 40" + proto + " 0000 0a000001 0a000002 ";
}
// A TCP SYN from port 1 to 2 whose data offset is words, followed by the option bytes.
std::string TcpSyn(const std::string& words, const std::string& options) {
    return "0001 0002 00000000 00000000 " + words + "02 2000 0000 0000 " + options;
}

struct Case {
    const char* name;
    std::uint32_t link;
    std::string hex;
    std::uint32_t consumed;  // by the summary chain at the application level
    const char* summary;
    const char* detailLine;  // a whole line of the detail text
};

TEST(ModernLayers, HostileAndEdgeFramesAreShownAsRead) {
    const TestTables t;
    const Case cases[] = {
        // VLAN: a tag cut after its control word; DEI set; priority 7; a tag naming ARP.
        {"vlan tag cut", 4, std::string(kMacs) + "8100 0064", 14, "VLAN:  ERROR !", "VLAN:  ERROR !"},
        {"vlan dei and priority 7", 4, std::string(kMacs) + "8100 f00a 88cc", 18,
         "VLAN:  ID = 10 : Priority = 7 : ETYPE = 0x88CC : Protocol = unknown",
         "        VLAN:  ...1.... = Drop eligible"},
        {"vlan to arp cut", 4, std::string(kMacs) + "8100 0005 0806 0001 0800 0604", 18, "ARP:  ERROR !",
         "VLAN:  ID = 5 : Priority = 0 : ETYPE = 0x0806 : Protocol = ARP"},
        // ARP: a hardware length of 0 and a protocol length of 16 are shown as read (the
        // protocol addresses in hex, as they are not IPv4).
        {"arp odd lengths", 4,
         std::string(kMacs) + "0806 0001 86dd 0010 0002 " +
             "20010db8000100000000000000000020 20010db8000100000000000000000053",
         54, "ARP:  20010DB8000100000000000000000020 is at ", "    ARP:  Hardware address length = 0 bytes"},
        // Reverse ARP (RFC 903) asks by hardware address; an operation with no name is shown
        // by its number.
        {"rarp request", 4, std::string(kMacs) + "8035 0001 0800 0604 0003 00a0c9abcdef 00000000 00a0c9abcdef 00000000",
         42, "ARP:  Who is Intel ABCDEF? Tell Intel ABCDEF", "    ARP:  Operation = 3 (Reverse request)"},
        {"rarp reply", 4, std::string(kMacs) + "8035 0001 0800 0604 0004 00000c123456 0a000001 00a0c9abcdef 0a000014",
         42, "ARP:  Intel ABCDEF is 10.0.0.20", "    ARP:  Target protocol address = 10.0.0.20"},
        {"arp operation 99", 4,
         std::string(kMacs) + "0806 0001 0800 0604 0063 00a0c9abcdef 0a000014 000000000000 0a000001", 42,
         "ARP:  Operation = 99", "    ARP:  Operation = 99 (Unknown)"},
        {"arp addresses past the frame", 4, std::string(kMacs) + "0806 0001 0800 0604 0001 00a0c9abcdef c0a8", 22,
         "ARP:  ERROR !", "    ARP:  ERROR ! The addresses run past the end of the frame"},
        // IPv6: fixed header cut; payload length past the frame; a routing header with segments
        // left naming more addresses than it holds; a jumbo payload option.
        {"ipv6 cut", 4, std::string(kMacs) + "86dd 6000 0000 0000 1140", 14, "IPv6: ERROR !",
         "IPv6:  ERROR ! Header cut short"},
        {"ipv6 payload past frame", 4, Ipv6Frame("0100", "11") + "1000 2000 0008 0000", 62, "UDP:  S=4096 D=8192 LEN=8",
         "    IPv6:  Payload length = 256 (0x100)"},
        {"routing header lies", 4, Ipv6Frame("0008", "2b") + "3b00 0005 00000000", 62, "IPv6:  Protocol = 59 (Unknown)",
         "        IPv6:  Segments left = 5"},
        // Pad1, then PadN of length 0 and of length 1.
        {"destination options length 0 and 1", 4, Ipv6Frame("0008", "3c") + "3b00 00 0100 010100", 62,
         "IPv6:  Protocol = 59 (Unknown)",
         "    IPv6:  Destination options header: next header = 59 (Unknown), length = 8 bytes"},
        {"option past its header", 4, Ipv6Frame("0008", "3c") + "3b00 05ff 00000000", 62,
         "IPv6:  Protocol = 59 (Unknown)", "        IPv6:  ERROR ! Option 0x05 of length 255 runs past the header"},
        // ICMP: too short for its header; an error quoting 3 bytes; a quoted header with IHL 2;
        // a quoted IPv4 header naming TCP with no ports left.
        {"icmp 3 bytes", 4, Ipv4Frame("0017", "01") + "0800f7", 34, "ICMP:  ERROR !", "ICMP:  ERROR !"},
        {"icmp quote 3 bytes", 4, Ipv4Frame("001f", "01") + "0301 0000 00000000 450102", 45,
         "ICMP:  Destination unreachable (Host unreachable)",
         "        ICMP:  ERROR ! The quoted IPv4 header is cut short"},
        {"icmp quote ihl 2", 4,
         Ipv4Frame("0030", "01") + "0303 0000 00000000 42000014 00010000 4006 0000 0a000002 0a000001", 62,
         "ICMP:  Destination unreachable (Port unreachable)",
         "        ICMP:  ERROR ! The quoted header length of 8 bytes is below 20"},
        {"icmp quote tcp no ports", 4,
         Ipv4Frame("0030", "01") + "0b00 0000 00000000 45000028 00010000 0106 0000 0a000002 0a000001", 62,
         "ICMP:  Time exceeded (Time to live exceeded in transit)",
         "        ICMP:  Quoted IPv4 header: 10.0.0.2 -> 10.0.0.1, protocol = 6 (TCP), ID = 0x1, total length = 40"},
        // ICMPv6: a neighbour solicitation whose option has length 0 (a loop if trusted); a
        // too-big message cut before its MTU.
        {"nd option length 0", 4,
         Ipv6Frame("0020", "3a") + "8700 0000 00000000 " + "20010db8000100000000000000000053 0100 0000 0000 0000", 86,
         "ICMPv6:  Neighbor solicitation for 2001:db8:1::53", "    ICMPv6:  ERROR ! Option 1 has length 0"},
        {"icmpv6 too big cut", 4, Ipv6Frame("0006", "3a") + "0200 0000 0000", 60, "ICMPv6:  Packet too big",
         "ICMPv6:  Packet too big : Type = 2 : Code = 0"},
        // TCP options: length 0, length 1, past the header, a SACK of odd length, timestamps
        // cut, end of list with padding after it, an unknown kind.
        {"tcp option length 0", 4, Ipv4Frame("0018", "06") + TcpSyn("60", "0200 0000"), 58,
         "TCP:  S=1 D=2 SYN SEQ=0 WIN=8192 ",
         "        TCP:  ERROR ! Maximum Segment Size (kind 2) has length 0, below the 2 bytes of kind and length"},
        {"tcp option past header", 4, Ipv4Frame("0018", "06") + TcpSyn("60", "0102 0405"), 58,
         "TCP:  S=1 D=2 SYN SEQ=0 WIN=8192 ",
         "        TCP:  ERROR ! Maximum Segment Size (kind 2) of length 4 runs past the end of the header"},
        {"sack odd length", 4, Ipv4Frame("0020", "06") + TcpSyn("80", "050b 00000001 00000002 00 00"), 66,
         "TCP:  S=1 D=2 SYN SEQ=0 WIN=8192 ", "            TCP:  ERROR ! The blocks are not a whole number of 8 bytes"},
        {"timestamps short", 4, Ipv4Frame("001c", "06") + TcpSyn("70", "0806 00000001 0000"), 62,
         "TCP:  S=1 D=2 SYN SEQ=0 WIN=8192 ", "            TCP:  ERROR ! This option is 10 bytes long, not 6"},
        {"end of list then padding", 4, Ipv4Frame("0018", "06") + TcpSyn("60", "0000 0000"), 58,
         "TCP:  S=1 D=2 SYN SEQ=0 WIN=8192 ", "        TCP:  End of Option List (kind 0)"},
        // A header longer than the frame: the summary steps over the fixed part alone.
        {"options cut by the capture", 4, Ipv4Frame("0028", "06") + TcpSyn("a0", "0204 05b4"), 54,
         "TCP:  S=1 D=2 SYN SEQ=0 WIN=8192 ", "        TCP:  ERROR ! The frame holds 4 of them"},
        // Linux cooked v1 cut; v2 with an address length past 8; raw IP that is IPv6 cut.
        {"sll cut", 6, "0000 0001 0006 00a0c9abcdef", 0, "SLL:  ERROR !", "SLL:  ERROR !"},
        {"sll2 address length 20", 7, "0800 0000 00000003 0001 00 14 00a0c9abcdef0000 45000014", 20, "IPv4: ERROR !",
         "        SLL2:  ERROR ! The header holds only 8 address bytes"},
        {"raw ipv6 cut", 12, "6000000000081140", 0, "IPv6: ERROR !", "IPv6:  ERROR ! Header cut short"},
        // IPv6 fragments: a first one goes on to UDP (its checksum covers the whole datagram,
        // so it is not verified), a middle one stops; a hop-by-hop jumbo payload option.
        {"first fragment", 4, Ipv6Frame("0010", "2c") + "1100 0001 00000007 1000 2000 0100 1234", 70,
         "UDP:  S=4096 D=8192 LEN=256", "    UDP:  Checksum = 0x1234 (not verified)"},
        {"middle fragment", 4, Ipv6Frame("0010", "2c") + "1100 0011 00000007 1000 2000 0100 1234", 62,
         "IPv6:  Protocol = 17 (UDP) : Fragment offset = 16 : More Fragments",
         "            IPv6:  Not the first fragment: its data is not decoded further"},
        {"jumbo payload", 4, Ipv6Frame("0000", "00") + "3b00 c204 00010000", 62, "IPv6:  Protocol = 59 (Unknown)",
         "        IPv6:  Option 0xC2 (Jumbo payload), length 4 = 65536"},
        // Checksums over the IPv6 pseudo-header: a right one, a wrong one, and a segment the
        // capture cut, which cannot be judged.
        {"udp6 checksum right", 4, Ipv6Frame("0008", "11") + "1000 2000 0008 73f7", 62, "UDP:  S=4096 D=8192 LEN=8",
         "    UDP:  Checksum = 0x73F7 (OK)"},
        {"udp6 checksum wrong", 4, Ipv6Frame("0008", "11") + "1000 2000 0008 73f8", 62, "UDP:  S=4096 D=8192 LEN=8",
         "    UDP:  Checksum = 0x73F8 (ERROR)"},
        {"udp6 cut by the capture", 4, Ipv6Frame("000c", "11") + "1000 2000 000c 73ef 00", 62,
         "UDP:  S=4096 D=8192 LEN=12", "    UDP:  Checksum = 0x73EF (not verified)"},
        // UDP over IPv6 with checksum 0, which IPv6 forbids (RFC 8200 8.1).
        {"udp6 checksum 0", 4, Ipv6Frame("0008", "11") + "1000 2000 0008 0000", 62, "UDP:  S=4096 D=8192 LEN=8",
         "    UDP:  Checksum = 0x0000 (ERROR)"},
    };
    for (const auto& c : cases) {
        const auto frame = MakeFrame(FromHex(c.hex), c.link);
        CPktSummary row;
        EXPECT_EQ(t.parsers->DecodeSummary(LEVEL_APPLICATION, nullptr, &frame, row, 1000), c.consumed) << c.name;
        EXPECT_EQ(row.summary, c.summary) << c.name;
        CPktDetailLine root;
        EXPECT_LE(t.parsers->DecodeDetail(nullptr, &frame, root, 1000), frame.GetDataLength()) << c.name;
        const std::string detail = RenderDetailText(root, "\n");
        EXPECT_NE(("\n" + detail).find("\n" + std::string(c.detailLine) + "\n"), std::string::npos) << c.name << "\n"
                                                                                                    << detail;
    }
}

// The Source and Destination columns and every IPv6 line use one form: inet_ntop's, which
// follows RFC 5952 (and writes IPv4-mapped and -compatible addresses in mixed notation).
TEST(ModernLayers, Ipv6AddressesReadAsInetNtopWritesThem) {
    std::vector<std::array<std::uint8_t, 16>> addresses;
    for (const char* text : {"::", "::1", "1::", "2001:db8::1", "2001:db8:0:1:1:1:1:1", "2001:0:0:1::1",
                             "2001:db8::1:0:0:1", "fe80::20c:ff:fe12:3456", "::ffff:192.0.2.1", "::192.0.2.1",
                             "::0.1.0.0", "ff02::1:ff00:53", "1:0:0:2:0:0:0:3", "0:0:1::"}) {
        std::array<std::uint8_t, 16> a{};
        ASSERT_EQ(inet_pton(AF_INET6, text, a.data()), 1) << text;
        addresses.push_back(a);
    }
    std::mt19937 random(15);
    for (int i = 0; i < 5000; ++i) {
        std::array<std::uint8_t, 16> a{};
        for (std::size_t g = 0; g < 8; ++g) {
            const unsigned value = random() % 3 == 0 ? 0 : random() % 0x10000;  // many zero groups
            a[2 * g] = static_cast<std::uint8_t>(value >> 8U);
            a[2 * g + 1] = static_cast<std::uint8_t>(value);
        }
        addresses.push_back(a);
    }
    for (const auto& a : addresses) {
        std::array<char, INET6_ADDRSTRLEN> expected{};
        ASSERT_NE(inet_ntop(AF_INET6, a.data(), expected.data(), expected.size()), nullptr);
        std::string actual;
        AppendIPv6(actual, a);
        EXPECT_EQ(actual, expected.data());
    }
}

}  // namespace
}  // namespace decode::test
