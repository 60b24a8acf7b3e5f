// DNS decoder beyond the session golden texts: every record type, the header flags, and the
// hostile cases: short messages, counts the bytes do not back, bad names.
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "decode/app/CPktDNSParser.h"

namespace {

using apptest::Detail;
using apptest::Hex;
using apptest::Summary;

class AppDnsTest : public ::testing::Test {
protected:
    AppDnsTest()
        : m_protocols(tables::TableSource::Empty),
          m_ports(tables::TableSource::Empty),
          m_dns(m_protocols, m_ports) {
        EXPECT_TRUE(m_protocols.Add({6, "TCP", "Transmission Control"}));
        EXPECT_TRUE(m_ports.AddTcp({17, "qotd", "Quote of the Day"}));
    }
    tables::CPktIProtNums m_protocols;
    tables::CPktWPortNums m_ports;
    decode::app::CPktDNSParser m_dns;
};

// One row per record type: the record (type, class, TTL, RDLENGTH, RDATA after the owner
// name 'b' at offset 12, the only answer) and the RDATA lines expected.
TEST_F(AppDnsTest, RdataRoutinesFormatEveryType) {
    static const struct {
        const char* name;
        const char* record;
        const char* rdataLines;
    } kCases[] = {
        {"mx", "000f 0001 00000e10 0009 000a 046d61696cc00c", "      DNS: Preference = 10, Mail host = mail.b\n"},
        {"txt keeps the length octet", "0010 0001 00000e10 000c 0b763d73706631202d616c6c",
         "      DNS: Text = \x0bv=spf1 -all\n      DNS: Strings = \"v=spf1 -all\"\n"},
        {"txt of two strings", "0010 0001 00000e10 0004 0161 0162",
         "      DNS: Text = \x01"
         "a\x01"
         "b\n      DNS: Strings = \"a\" \"b\"\n"},
        {"aaaa in RFC 5952 form", "001c 0001 00000001 0010 20010db8000000000000000000000001",
         "      DNS: Address = 2001:db8::1\n"},
        {"srv", "0021 0001 00000001 000d 000a 0005 0185 046c646170 c00c",
         "      DNS: Priority = 10, Weight = 5, Port = 389, Target = ldap.b\n"},
        // EDNS0 in a response whose header RCODE is 0: extended RCODE 1 makes it 16 (BADVERS)
        {"opt with extended rcode, DO, cookie and padding",
         "0029 1000 01008000 0010 000a 0008 0102030405060708 000c 0000",
         "      DNS: UDP payload size = 4096\n"
         "      DNS: Extended RCode = 1 (RCode 16, BADVERS), EDNS version = 0\n"
         "      DNS: Flags = 0x8000, DO (DNSSEC answers wanted)\n"
         "      DNS: Option 10 (Cookie), length 8 = 0102030405060708\n"
         "      DNS: Option 12 (Padding), length 0\n"},
        {"opt with client subnet and extended error",
         "0029 04d0 00000000 0014 0008 0007 0001 18 00 c00002 000f 0005 0012 6e6f21",
         "      DNS: UDP payload size = 1232\n"
         "      DNS: Extended RCode = 0 (RCode 0, NOERROR), EDNS version = 0\n"
         "      DNS: Flags = 0x0000\n"
         "      DNS: Option 8 (Client subnet), length 7 = 192.0.2.0/24, scope /0\n"
         "      DNS: Option 15 (Extended DNS error), length 5 = 18 (Prohibited): no!\n"},
        {"https with alpn, port and hints",
         "0041 0001 00000001 002f 0001 00 0001 0006 026832026833 0003 0002 01bb"
         "0004 0004 c0000201 0006 0010 20010db8000000000000000000000001",
         "      DNS: Priority = 1 (service), Target = .\n      DNS: Parameter alpn = h2,h3\n"
         "      DNS: Parameter port = 443\n      DNS: Parameter ipv4hint = 192.0.2.1\n"
         "      DNS: Parameter ipv6hint = 2001:db8::1\n"},
        {"svcb alias", "0040 0001 00000001 0007 0000 03737663 00", "      DNS: Priority = 0 (alias), Target = svc\n"},
        {"caa", "0101 0001 00000001 0011 00 05 6973737565 63612e6578616d706c65",
         "      DNS: Flags = 0, Tag = issue, Value = ca.example\n"},
        {"ptr", "000c 0001 00000001 0005 03 777777 00", "      DNS: Name = www\n"},
        {"md mail host", "0003 0001 00000001 0003 01 6d 00", "      DNS: Mail host = m\n"},
        {"hinfo", "000d 0001 00000001 000f 09494e54454c2d333836 04554e4958", "      DNS: CPU = INTEL-386, OS = UNIX\n"},
        {"minfo", "000e 0001 00000001 0006 0172 00 0165 00",
         "      DNS: Responsible mailbox host = r\n      DNS: Error mailbox host = e\n"},
        {"wks for tcp lists port 17", "000b 0001 00000001 0008 c0000201 06 000040",
         "      DNS: Address = 192.0.2.1\n      DNS: Protocol = 6 (TCP)\n      DNS: Services = 17 (qotd) \n"},
        {"wks for another protocol", "000b 0001 00000001 0006 c0000201 63 c0",
         "      DNS: Address = 192.0.2.1\n      DNS: Protocol = 99 (Unknown)\n"
         "      DNS: Services = 0 (unknown) 1 (unknown) \n"},
        {"null record", "000a 0001 00000001 0002 6869", "      DNS: Text = hi\n"},
        {"unknown type has no lines", "0062 0001 00000001 0002 6869", ""},
    };
    for (const auto& c : kCases) {
        const auto detail = Detail(m_dns, Hex(std::string("0001 8180 0000 0001 0000 0000 0162 00") + c.record));
        EXPECT_EQ(detail.consumed, 15 + Hex(c.record).size()) << c.name;  // header and owner name: 15
        const auto at = detail.text.find("      DNS: Resource Data Length");
        ASSERT_NE(at, std::string::npos) << c.name;
        EXPECT_EQ(detail.text.substr(detail.text.find('\n', at) + 1), c.rdataLines) << c.name;
    }
}

TEST_F(AppDnsTest, HeadlineAndFlagTextsFollowTheHeader) {
    struct Case {
        const char* hex;
        const char* summary;
        const char* flagsLine;
    };
    static const Case kCases[] = {
        {"0005 0000 0001 0000 0000 0000 0161 00 00fc 00ff",
         "DNS: 0x05: Standard Query for 'a' of type AXFR on class *.",
         "Flags = Query, OpCode - Standard Query, RCode - OK"},
        {"0c0d 8183 0001 0000 0000 0000 0131 00 000c 0004",
         "DNS: 0xC0D: Standard Query for '1' of type PTR on class HS. Response: NXDOMAIN",
         "Flags = Response, OpCode - Standard Query, RD RA Bits Set, RCode - Name error"},
        {"0001 0e0f 0001 0000 0000 0000 0161 00 0062 0063", "DNS: 0x01: Inverse Query for 'a' of type ? on class ?.",
         "Flags = Query, OpCode - Inverse Query, AA TC Bits Set, RCode - Reserved"},
        {"0001 1000 0001 0000 0000 0000 0161 00 00ff 0003", "DNS: 0x01: Status for 'a' of type * on class CH.",
         "Flags = Query, OpCode - Status, RCode - OK"},
        {"0001 2075 0001 0000 0000 0000 0161 00 00fd 0002", "DNS: 0x01: Unknown for 'a' of type MAILB on class CS.",
         "Flags = Query, OpCode - Unknown, RCode - Refused"},
        // no question: an empty headline
        {"0001 8000 0000 0000 0000 0000", "DNS: Response: NOERROR",
         "Flags = Response, OpCode - Standard Query, RCode - OK"},
    };
    for (const auto& c : kCases) {
        const auto bytes = Hex(c.hex);
        EXPECT_EQ(Summary(m_dns, bytes).text, c.summary);
        const auto detail = Detail(m_dns, bytes).text;
        EXPECT_NE(detail.find(std::string("  DNS: ") + c.flagsLine + "\n"), std::string::npos) << detail;
    }
    const auto unusual = Detail(m_dns, Hex("0001 7f7f 0000 0000 0000 0000")).text;
    for (const char* line :
         {".????........... = Unknown value !", ".....1.......... = Server authority for domain",
          "......1......... = Message truncated", ".........???.... = Reserved", "............???? = Reserved"}) {
        EXPECT_NE(unusual.find(line), std::string::npos) << line;
    }
    EXPECT_TRUE(unusual.starts_with("DNS: \n")) << "a message without a question has an empty headline";
    EXPECT_EQ(unusual.find("Section"), std::string::npos);
}

TEST_F(AppDnsTest, TwoQuestionsShowTheRecordCountAndSixLines) {
    const auto detail =
        Detail(m_dns, Hex("0203 0100 0002 0000 0000 0000 076578616d706c65036f726700 000f 0001 c00c 0010 0001")).text;
    const std::string section =
        "  DNS: Question Section: 'example.org' of type MX on class IN (2 records).\n"
        "    DNS: Question Name: 'example.org'\n"
        "    DNS: Question Type = Mail exchange\n"
        "    DNS: Question Class = The Internet class\n"
        "    DNS: Question Name: 'example.org'\n"
        "    DNS: Question Type = Text strings\n"
        "    DNS: Question Class = The Internet class\n";
    EXPECT_TRUE(detail.ends_with(section)) << detail;
}

TEST_F(AppDnsTest, UnknownRecordTypeKeepsTheNextRecordInStep) {
    // An unassigned type (98) first, then an A record that must still be read from the right place.
    const auto detail = Detail(m_dns, Hex("0001 8180 0000 0002 0000 0000"
                                          "0161 00 0062 0001 00000001 0010 20010db8000000000000000000000001"
                                          "0161 00 0001 0001 00000001 0004 0a000001"))
                            .text;
    EXPECT_NE(detail.find("    DNS: Resource Record: 'a' of type ? on class IN.\n"
                          "      DNS: Resource Name: 'a'\n"
                          "      DNS: Resource Type = Unknown type\n"),
              std::string::npos);
    EXPECT_TRUE(detail.ends_with("      DNS: Address = 10.0.0.1\n")) << detail;
}

// Hostile and cut messages: what the summary says, a line the detail must hold, and that the
// reader never moves past the bytes.
struct HostileCase {
    const char* name;
    const char* hex;
    const char* summary;
    const char* detailLine;
};

TEST_F(AppDnsTest, HostileMessagesStopCleanlyWithAnErrorLine) {
    static const HostileCase kCases[] = {
        {"empty", "", "DNS: ERROR !", "DNS: ERROR ! Message shorter than its header\n"},
        {"question cut inside its type", "0001 0000 0001 0000 0000 0000 0161 00 00",
         "DNS: 0x01: Standard Query for 'a' of type ? on class ?.",
         "    DNS: ERROR ! Entry cut short by the end of the message\n"},
        {"pointer to itself", "0001 0000 0001 0000 0000 0000 c00c 0001 0001",
         "DNS: 0x01: Standard Query for '' of type A on class IN.",
         "    DNS: ERROR ! Bad compression pointer to offset 12 at offset 12\n"},
        {"pointer forwards", "0001 0000 0001 0000 0000 0000 c020 0001 0001",
         "DNS: 0x01: Standard Query for '' of type A on class IN.",
         "    DNS: ERROR ! Bad compression pointer to offset 32 at offset 12\n"},
        {"pointer into the header", "0001 0000 0001 0000 0000 0000 0161 c005 0001 0001",
         "DNS: 0x01: Standard Query for 'a' of type A on class IN.",
         "    DNS: ERROR ! Bad compression pointer to offset 5 at offset 14\n"},
        // the cursor stays after the bad length octet, so type and class are read from there
        {"label length 64", "0001 0000 0001 0000 0000 0000 0161 40 0001 0001",
         "DNS: 0x01: Standard Query for 'a' of type A on class IN.",
         "    DNS: ERROR ! Bad label length 64 at offset 14\n"},
        {"label length 191", "0001 0000 0001 0000 0000 0000 bf 0001 0001",
         "DNS: 0x01: Standard Query for '' of type A on class IN.",
         "    DNS: ERROR ! Bad label length 191 at offset 12\n"},
        {"label past the end", "0001 0000 0001 0000 0000 0000 0561 62",
         "DNS: 0x01: Standard Query for '' of type ? on class ?.",
         "    DNS: ERROR ! Name runs past the end of the message at offset 12\n"},
        {"pointer cut in half", "0001 0000 0001 0000 0000 0000 c0",
         "DNS: 0x01: Standard Query for '' of type ? on class ?.",
         "    DNS: ERROR ! Name runs past the end of the message at offset 12\n"},
        {"address past the end", "0001 8000 0000 0001 0000 0000 00 0001 0001 00000001 0004 0a00",
         "DNS: Response: NOERROR, 1 answer", "      DNS: ERROR ! Record data runs past the end of the message\n"},
        {"rdlength past the end", "0001 8000 0000 0002 0000 0000 00 0010 0001 00000001 0400 6869",
         "DNS: Response: NOERROR, 2 answers", "      DNS: ERROR ! Record data runs past the end of the message\n"},
        {"record cut in its fixed part", "0001 8000 0000 0001 0000 0000 00 0001 0001 0000",
         "DNS: Response: NOERROR, 1 answer", "      DNS: ERROR ! Entry cut short by the end of the message\n"},
        {"rdata name with a bad pointer", "0001 8000 0000 0001 0000 0000 00 0005 0001 00000001 0002 c0ff",
         "DNS: Response: NOERROR, 1 answer", "      DNS: ERROR ! Bad compression pointer to offset 255 at offset 23\n"},
        // RDATA is read within its RDLENGTH octets, never from the record after it.
        {"address in 0 octets",
         "0001 8000 0000 0002 0000 0000 00 0001 0001 00000001 0000 00 0001 0001 00000001 0004 0a000001",
         "DNS: Response: NOERROR, 2 answers", "      DNS: ERROR ! Record data of 0 octets is too short for its type\n"},
        {"opt option past its rdlength", "0001 8000 0000 0000 0000 0001 00 0029 1000 00008000 0006 000a 0008 01020304",
         "DNS: Response: NOERROR", "      DNS: ERROR ! Record data of 6 octets is too short for its type\n"},
        {"https parameter past its rdlength",
         "0001 8000 0000 0001 0000 0000 00 0041 0001 00000001 0007 0001 00 0001 0009 02",
         "DNS: Response: NOERROR, 1 answer", "      DNS: ERROR ! Record data of 7 octets is too short for its type\n"},
        {"aaaa in 4 octets", "0001 8000 0000 0001 0000 0000 00 001c 0001 00000001 0004 20010db8",
         "DNS: Response: NOERROR, 1 answer", "      DNS: ERROR ! Record data of 4 octets is too short for its type\n"},
        {"name past its rdlength", "0001 8000 0000 0001 0000 0000 00 0005 0001 00000001 0002 03777777 00",
         "DNS: Response: NOERROR, 1 answer", "      DNS: ERROR ! Record data of 2 octets is too short for its type\n"},
        {"hinfo past its rdlength", "0001 8000 0000 0001 0000 0000 00 000d 0001 00000001 0003 026162 026364",
         "DNS: Response: NOERROR, 1 answer", "      DNS: ERROR ! Record data of 3 octets is too short for its type\n"},
        {"mx name past its rdlength", "0001 8000 0000 0001 0000 0000 00 000f 0001 00000001 0002 000a 046d61696c00",
         "DNS: Response: NOERROR, 1 answer", "      DNS: ERROR ! Record data of 2 octets is too short for its type\n"},
    };
    for (const auto& c : kCases) {
        const auto bytes = Hex(c.hex);
        const auto summary = Summary(m_dns, bytes);
        EXPECT_EQ(summary.text, c.summary) << c.name;
        EXPECT_LE(summary.consumed, bytes.size()) << c.name;
        const auto detail = Detail(m_dns, bytes);
        EXPECT_NE(detail.text.find(c.detailLine), std::string::npos) << c.name << "\n" << detail.text;
        EXPECT_LE(detail.consumed, bytes.size()) << c.name;
        EXPECT_EQ(detail.consumed, summary.consumed) << c.name;
        EXPECT_EQ(apptest::ParseOnly(m_dns, bytes), summary.consumed) << c.name;
        EXPECT_EQ(detail.next, decode::PROTO_NONE);
    }
}

TEST_F(AppDnsTest, NamesAreCappedAt255Octets) {
    std::string hex = "0001 0000 0001 0000 0000 0000";
    const std::string label = "3f" + std::string(126, '6');  // 63 octets of 'f'
    for (int i = 0; i < 5; ++i) hex += label;
    hex += "00 0001 0001";
    const auto detail = Detail(m_dns, Hex(hex)).text;
    EXPECT_NE(detail.find("ERROR ! Name longer than 255 octets at offset 204"), std::string::npos) << detail;
}

TEST_F(AppDnsTest, HugeCountsOverAFullFrameStayBoundedByTheBytes) {
    // 65535 of every entry over 1488 octets of root-name questions: only what the bytes hold
    // (297 whole questions of five octets, then one cut inside its class).
    auto bytes = Hex("0001 0000 ffff ffff ffff ffff");
    bytes.resize(1500, 0);
    const auto detail = Detail(m_dns, bytes);
    EXPECT_NE(detail.text.find("Question Section: '' of type ? on class ? (298 records)."), std::string::npos);
    EXPECT_NE(detail.text.find("ERROR ! Message cut short: 298 of 262140 entries read"), std::string::npos);
    EXPECT_EQ(detail.consumed, bytes.size());
    EXPECT_EQ(apptest::ParseOnly(m_dns, bytes), bytes.size());
}

TEST_F(AppDnsTest, ParseAndSummaryMoveTheReaderPastTheWholeMessage) {
    // www.example.com A -> CNAME web.example.com, A; NS ns1; glue A; every name compressed
    auto bytes =
        Hex("0007 8180 0001 0002 0001 0001"
            "03777777076578616d706c6503636f6d00 0001 0001"
            "c00c 0005 0001 0000012c 0006 03776562c010"
            "c02d 0001 0001 0000003c 0004 5db8d822"
            "c010 0002 0001 00015180 0006 036e7331c010"
            "c04f 0001 0001 00015180 0004 c0000235");
    const std::size_t message = bytes.size();
    bytes.push_back(0xAA);  // a trailing octet the counts do not cover
    EXPECT_EQ(apptest::ParseOnly(m_dns, bytes), message);
    EXPECT_EQ(Summary(m_dns, bytes).consumed, message);
    EXPECT_EQ(Detail(m_dns, bytes).consumed, message);
}

}  // namespace

namespace {

// The summary of a response names its RCODE only where the headline leaves room: a failed
// answer, or one without a question; a query and an answered response keep the headline
// alone, so a query and its answer read alike in the list. OPT's extended RCODE counts.
TEST_F(AppDnsTest, ResponseSummariesNameFailuresOnly) {
    static const struct {
        const char* name;
        const char* hex;
        const char* summary;
    } kCases[] = {
        {"query", "0a0b 0100 0001 0000 0000 0000 0161 00 0001 0001",
         "DNS: 0xA0B: Standard Query for 'a' of type A on class IN."},
        {"answered", "0a0b 8180 0001 0001 0000 0000 0161 00 0001 0001 c00c 0001 0001 00000001 0004 0a000001",
         "DNS: 0xA0B: Standard Query for 'a' of type A on class IN."},
        {"servfail", "0a0b 8182 0001 0000 0000 0000 0161 00 001c 0001",
         "DNS: 0xA0B: Standard Query for 'a' of type AAAA on class IN. Response: SERVFAIL"},
        {"nxdomain with an authority record counts no answers",
         "0a0b 8183 0001 0000 0001 0000 0161 00 0021 0001 c00c 0002 0001 00000001 0002 c00c",
         "DNS: 0xA0B: Standard Query for 'a' of type SRV on class IN. Response: NXDOMAIN"},
        {"refused with an answer",
         "0a0b 8185 0001 0001 0000 0000 0161 00 0001 0001 c00c 0001 0001 00000001 0004 0a000001",
         "DNS: 0xA0B: Standard Query for 'a' of type A on class IN. Response: REFUSED, 1 answer"},
        // Header RCODE 0, OPT extended RCODE 1: 16, BADVERS.
        {"badvers through opt", "0a0b 8180 0001 0000 0000 0001 0161 00 0001 0001 00 0029 1000 01000000 0000",
         "DNS: 0xA0B: Standard Query for 'a' of type A on class IN. Response: BADVERS"},
        {"answered with opt", "0a0b 8180 0001 0000 0000 0001 0161 00 0001 0001 00 0029 1000 00008000 0000",
         "DNS: 0xA0B: Standard Query for 'a' of type A on class IN."},
        {"no question", "0a0b 8180 0000 0000 0000 0000", "DNS: Response: NOERROR"},
        {"header cut short", "0a0b 8183 0001", "DNS: ERROR !"},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(Summary(m_dns, Hex(c.hex)).text, c.summary) << c.name;
    }
}

}  // namespace
