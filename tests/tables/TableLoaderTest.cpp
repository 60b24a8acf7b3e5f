// The five table formats: what each accepts, skips and keeps first.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "tables/LookupTables.h"
#include "tables/TableLoader.h"

using namespace tables;

TEST(EtherTypesLoader, SinglesRangesAndSkips) {
    CPktEtherNums t(tables::TableSource::Empty);
    const std::size_t n = TableLoader::EtherTypes(
        "0800 IPv4\n"
        "6000-6009\tDEC  range \n"
        "0x86DD IPv6\n"
        "8100- VLAN\n"  // nothing after the dash: both ends are 8100
        "-9000 bad\n"   // nothing before the dash
        "zz00 bad\n"
        "0806\n"     // no name
        "0807   \n"  // a name of blanks only
        "   # 0900 comment\n"
        "\n",
        t);
    EXPECT_EQ(n, 4U);
    ASSERT_EQ(t.Types().size(), 4U);
    EXPECT_EQ(t.Types()[0].low, 0x0800);
    EXPECT_EQ(t.Types()[0].high, 0x0800);
    EXPECT_EQ(t.Types()[1].low, 0x6000);
    EXPECT_EQ(t.Types()[1].high, 0x6009);
    EXPECT_EQ(t.Types()[1].name, "DEC  range");
    EXPECT_EQ(t.Types()[3].low, 0x8100);
    EXPECT_EQ(t.Types()[3].high, 0x8100);
    for (std::uint16_t v = 0x6000; v <= 0x6009; ++v) ASSERT_NE(t.FindTypeName(v), nullptr);
    EXPECT_EQ(t.FindTypeName(0x600A), nullptr);
    EXPECT_EQ(*t.FindTypeName(0x86DD), "IPv6");
}

TEST(EtherVendorsLoader, PrefixRulesAndShortName) {
    CPktEtherNums t(tables::TableSource::Empty);
    const std::string_view text =
        "00000C Cisco Systems, Inc\n"
        "00aa00 intel corp\n"  // lower case hex
        "0000C Five chars\n"
        "0000C0C Seven chars\n"
        "00000C Second Cisco\n"  // same prefix: the first line wins in lookups
        "G0000C Bad hex\n"       // no hex digit where a byte starts
        "08002B\tDigital\tEquipment\n"
        "080009\n\n\n";
    const std::size_t n = TableLoader::EtherVendors(text, t);
    EXPECT_EQ(n, 4U);
    EXPECT_EQ(TableLoader::VendorLinesIn(text), 4U) << "what the list is sized for";
    ASSERT_EQ(t.Vendors().size(), 4U);
    EXPECT_EQ(t.Vendors()[0].description, "Cisco Systems, Inc");
    EXPECT_EQ(t.Vendors()[0].shortName, "Cisco");
    EXPECT_EQ(*t.FindVendor(0x00, 0x00, 0x0C), "Cisco");
    EXPECT_EQ(*t.FindVendor(0x00, 0xAA, 0x00), "intel");
    EXPECT_EQ(*t.FindVendor(0x08, 0x00, 0x2B), "Digital");
    EXPECT_EQ(t.FindVendor(0x00, 0x00, 0x0D), nullptr);
}

TEST(ProtocolNumbersLoader, FirstDefinitionWinsAndRange) {
    CPktIProtNums t(tables::TableSource::Empty);
    TableLoader::ProtocolNumbers(
        "6 TCP Transmission Control\n"
        "6 XXX Second definition\n"
        "17 UDP\n"  // no description: empty
        "256 BIG too large\n"
        "-1 NEG negative\n"
        "50\n"  // no keyword
        "# 1 ICMP comment\n",
        t);
    EXPECT_EQ(t.Keyword(6), "TCP");
    EXPECT_EQ(t.Description(6), "Transmission Control");
    EXPECT_EQ(t.Keyword(17), "UDP");
    EXPECT_EQ(t.Description(17), "");
    EXPECT_EQ(t.Keyword(50), "Unknown");
    EXPECT_EQ(t.Description(1), "Unknown");
    EXPECT_EQ(t.Count(), 2U);
}

TEST(PortNumbersLoader, ProtocolsSlashesAndRange) {
    CPktWPortNums t(tables::TableSource::Empty);
    TableLoader::PortNumbers(
        "domain 53/udp\n"
        "domain 53/TCP Domain Name Server\n"
        "http 80/tcp World Wide Web\n"
        "www 80/tcp Second definition\n"
        "noslash 81 x\n"
        "sctp 82/sctp other protocol\n"
        "high 1024/tcp too high\n"
        "top 1023/udp Last slot\n"
        "empty /tcp no port\n"
        "empty2 83/ no protocol\n",
        t);
    EXPECT_EQ(t.UdpDescription(53), "");
    EXPECT_EQ(t.UdpKeyword(53), "domain");
    EXPECT_EQ(t.TcpDescription(53), "Domain Name Server");
    EXPECT_EQ(t.TcpKeyword(80), "http");
    EXPECT_EQ(t.UdpDescription(80), "Unassigned");  // only tcp in the file
    EXPECT_EQ(t.TcpKeyword(81), "Unassigned");
    EXPECT_EQ(t.TcpKeyword(82), "Unassigned");
    EXPECT_EQ(t.UdpKeyword(1023), "top");
    EXPECT_EQ(t.TcpKeyword(1024), "Unassigned");
    EXPECT_EQ(t.TcpKeyword(65535), "Unassigned");
    EXPECT_EQ(t.TcpCount(), 2U);
    EXPECT_EQ(t.UdpCount(), 2U);
}

TEST(TcpOptionsLoader, NeedsAllThreeFieldsAndKindBelow20) {
    CPktTCPNums t(tables::TableSource::Empty);
    TableLoader::TcpOptions(
        "2 4 Maximum Segment Size\n"
        "2 9 Second\n"
        "3 3\n"  // no name
        "20 2 Too big\n"
        "19 18 MD5 Signature\n"
        "8 266 Timestamps\n",  // length kept as one byte
        t);
    ASSERT_NE(t.Find(2), nullptr);
    EXPECT_EQ(t.Find(2)->length, 4);
    EXPECT_EQ(t.Find(2)->name, "Maximum Segment Size");
    EXPECT_EQ(t.Find(3), nullptr);
    EXPECT_EQ(t.Find(20), nullptr);
    EXPECT_EQ(t.Find(8)->length, 266 % 256);
    EXPECT_EQ(t.Count(), 3U);
}

TEST(Loaders, GarbageNeverCrashesAndKeepsGoodLines) {
    std::string garbage;
    for (int i = 0; i < 5000; ++i) {
        const char c = static_cast<char>((i * 131 + 7) % 256);
        garbage.push_back(std::isxdigit(static_cast<unsigned char>(c)) ? 'z' : c);  // no line may parse
    }
    const std::string text = garbage + "\n0800 IPv4\r\n" + std::string(5000, '\r') + "000001 Xerox\r";
    CPktEtherNums e(tables::TableSource::Empty);
    TableLoader::EtherTypes(text, e);
    TableLoader::EtherVendors(text, e);
    EXPECT_EQ(*e.FindTypeName(0x0800), "IPv4");
    EXPECT_EQ(*e.FindVendor(0, 0, 1), "Xerox");
    CPktIProtNums p(tables::TableSource::Empty);
    CPktWPortNums w(tables::TableSource::Empty);
    CPktTCPNums o(tables::TableSource::Empty);
    TableLoader::ProtocolNumbers(text, p);
    TableLoader::PortNumbers(text, w);
    TableLoader::TcpOptions(text, o);
}
