// NBNS decoder beyond the session golden text: the statistics of a node status reply, the
// half-ASCII name decoding, record types, flags and opcodes, and cut or hostile messages.
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "decode/app/CPktNBNSParser.h"

namespace {

using apptest::Detail;
using apptest::Hex;
using apptest::Summary;

class AppNbnsTest : public ::testing::Test {
protected:
    AppNbnsTest()
        : m_protocols(tables::TableSource::Empty),
          m_ports(tables::TableSource::Empty),
          m_nbns(m_protocols, m_ports) {}
    tables::CPktIProtNums m_protocols;
    tables::CPktWPortNums m_ports;
    decode::app::CPktNBNSParser m_nbns;
};

// The node status golden text has mostly zero statistics; here each field has its own value,
// so two fields read in the wrong order show.
TEST_F(AppNbnsTest, NodeStatusStatisticsKeepTheirOrder) {
    const auto bytes =
        Hex("8003 8400 0000 0001 0000 0000 00 0021 0001 00000000 0041 01"
            "574f524b53544154494f4e3120202000 0400"
            "001122334455 01 02 0003 0004 0005 0006 0007 0008 000003e8 000007d0"
            "0009 000a 000b 000c 000d 000e 000f 0010 05dc");
    const auto detail = Detail(m_nbns, bytes);
    EXPECT_EQ(detail.consumed, bytes.size());
    EXPECT_TRUE(
        detail.text.ends_with("      NBNS: Unique unit ID = 001122334455\n"
                              "      NBNS: Jumpers = 1\n"
                              "      NBNS: Test result = 2\n"
                              "      NBNS: Version number = 3\n"
                              "      NBNS: Period of statistics = 4\n"
                              "      NBNS: Number of CRC's = 5\n"
                              "      NBNS: Number of aligment errors = 6\n"
                              "      NBNS: Number of collisions = 7\n"
                              "      NBNS: Number of send aborts = 8\n"
                              "      NBNS: Number of good sends = 1000\n"
                              "      NBNS: Number of good receives = 2000\n"
                              "      NBNS: Number of retransmits = 9\n"
                              "      NBNS: Number of no resource conditions = 10\n"
                              "      NBNS: Number of free command blocks = 11\n"
                              "      NBNS: Total number of command blocks = 12\n"
                              "      NBNS: Maximum total number of command blocks = 13\n"
                              "      NBNS: Number of pending sessions = 14\n"
                              "      NBNS: Maximum number of pending sessions = 15\n"
                              "      NBNS: Maximum total sessions possible = 16\n"
                              "      NBNS: Session data packet size = 1500\n"))
        << detail.text;
}

TEST_F(AppNbnsTest, NetBIOSNamesDecodeSuffixesHighOctetsAndScopes) {
    struct Case {
        const char* encoded;  // the question name as labels
        const char* shown;
    };
    static const Case kCases[] = {
        {"20 454545454545454545454545454545454545454545454545454545454545424c 00",
         "DDDDDDDDDDDDDDD<1B>"},  // suffix 0x1B
        {"20 454545454545454545454545454545454545454545454545454545454545424f 00",
         "DDDDDDDDDDDDDDD<1E>"},  // suffix 0x1E
        {"20 4545454545454545454545454545454545454545454545454545454545454341 00",
         "DDDDDDDDDDDDDDD "},  // suffix 0x20 is a plain space
        {"20 4941414141414141414141414141414141414141414141414141414141414141 00",
         "<80><00><00><00><00><00><00><00><00><00><00><00><00><00><00><00>"},
        {"20 4545454545454545454545454545454545454545454545454545454545454141 076578616d706c65 03636f6d 00",
         "DDDDDDDDDDDDDDD<00>.example.com"},
        {"03 454545 00", "D<FF>"},  // an odd last character pairs with a zero: ('E' << 4) - 0x51
        {"00", ""},
    };
    for (const auto& c : kCases) {
        const auto bytes = Hex(std::string("0001 0000 0001 0000 0000 0000") + c.encoded + "0020 0001");
        EXPECT_EQ(Summary(m_nbns, bytes).text,
                  std::string("NBNS: 0x01: Standard Query for '") + c.shown + "' of type NB on class IN")
            << c.encoded;
    }
}

TEST_F(AppNbnsTest, RecordTypesAndTheirLines) {
    struct Case {
        const char* name;
        const char* record;  // type, class, TTL, RDLENGTH, RDATA after a root name
        const char* lines;   // what follows the data length line
    };
    static const Case kCases[] = {
        {"wait for acknowledgment", "000a 0001 00000000 0002 2910", "      NBNS: Opcode + Flags = 2910\n"},
        {"wait for acknowledgment without data", "000a 0001 00000000 0000", ""},
        {"address", "0001 0001 00000000 0004 0a000002", "      NBNS: Address = 10.0.0.2\n"},
        {"name server has no routine", "0002 0001 00000000 0002 0000", ""},
        {"unknown class", "0020 0009 00000000 0006 e000 0a000002",
         "      NBNS: Flags = 57344 (0xE000)\n"
         "      NBNS: 1............... = Group NetBIOS name\n"
         "      NBNS: .11............. = Reserved\n"
         "      NBNS: ...0000000000000 = Reserved\n"
         "      NBNS: Owner IP Address = 10.0.0.2\n"},
        {"reserved name flag bits", "0020 0001 00000000 0006 4001 0a000002",
         "      NBNS: Flags = 16385 (0x4001)\n"
         "      NBNS: 0............... = Unique NetBIOS name\n"
         "      NBNS: .10............. = M Node\n"
         "      NBNS: ...????????????? = Unknown\n"
         "      NBNS: Owner IP Address = 10.0.0.2\n"},
    };
    for (const auto& c : kCases) {
        const auto detail = Detail(m_nbns, Hex(std::string("0001 8000 0000 0001 0000 0000 00") + c.record)).text;
        const auto at = detail.find("Resource Data Length");
        ASSERT_NE(at, std::string::npos) << c.name;
        EXPECT_EQ(detail.substr(detail.find('\n', at) + 1), c.lines) << c.name;
    }
    const auto unknownClass =
        Detail(m_nbns, Hex("0001 8000 0000 0001 0000 0000 00 0020 0009 00000000 0006 e000 0a000002"));
    EXPECT_NE(unknownClass.text.find("      NBNS: Resource Class = Unknown type\n"), std::string::npos);
}

TEST_F(AppNbnsTest, TwoNbEntriesShowTheFirstAndTheNextRecordStaysInStep) {
    const auto detail = Detail(m_nbns, Hex("0001 8000 0000 0002 0000 0000"
                                           "00 0020 0001 00000000 000c 0000 0a000001 0000 0a000002"
                                           "00 0001 0001 00000000 0004 0a000003"))
                            .text;
    EXPECT_NE(detail.find("Owner IP Address = 10.0.0.1\n"), std::string::npos);
    EXPECT_EQ(detail.find("10.0.0.2"), std::string::npos);
    EXPECT_TRUE(detail.ends_with("      NBNS: Address = 10.0.0.3\n")) << detail;
}

TEST_F(AppNbnsTest, FlagTextsAndOpcodes) {
    struct Case {
        const char* header;
        const char* summary;
        const char* flagLine;
    };
    static const Case kCases[] = {
        {"0001 3000 0000 0000 0000 0000", "NBNS: 0x01: Release", ".0110........... = Release"},
        {"0001 b870 0000 0000 0000 0000", "NBNS: 0x01: Wait for ACK resp., RCode = OK",
         ".0111........... = Wait for acknowledgment"},
        {"0001 b870 0000 0000 0000 0000", "NBNS: 0x01: Wait for ACK resp., RCode = OK",
         "Flags Summary = Response, OpCode - Wait for ACK, B Bits Set, RCode - OK"},
        {"0001 4000 0000 0000 0000 0000", "NBNS: 0x01: Refresh", ".1000........... = Refresh"},
        {"0001 8803 0000 0000 0000 0000", "NBNS: 0x01: Unknown resp., RCode = Requested name doesn't exist",
         ".????........... = Unknown value !"},
        {"0001 8060 0000 0000 0000 0000", "NBNS: 0x01: Standard Query resp., RCode = OK",
         ".........1...... = Reserved\n    NBNS: ..........1..... = Reserved"},
        {"0001 8009 0000 0000 0000 0000", "NBNS: 0x01: Standard Query resp., RCode = Reserved",
         "............???? = Reserved"},
    };
    for (const auto& c : kCases) {
        const auto bytes = Hex(c.header);
        EXPECT_EQ(Summary(m_nbns, bytes).text, c.summary);
        EXPECT_NE(Detail(m_nbns, bytes).text.find(c.flagLine), std::string::npos) << c.header;
    }
}

TEST_F(AppNbnsTest, CutAndHostileMessages) {
    struct Case {
        const char* name;
        const char* hex;
        const char* line;
    };
    static const Case kCases[] = {
        {"short header", "8001 0110 00", "NBNS: ERROR ! Message shorter than its header\n"},
        {"node status names cut", "0001 8000 0000 0001 0000 0000 00 0021 0001 00000000 0065 03 574f524b",
         "      NBNS: ERROR ! Record data runs past the end of the message\n"},
        {"statistics cut", "0001 8000 0000 0001 0000 0000 00 0021 0001 00000000 0065 00 0011",
         "      NBNS: ERROR ! Record data runs past the end of the message\n"},
        {"pointer loop", "0001 8000 0000 0001 0000 0000 c00c 0020 0001 00000000 0000",
         "      NBNS: ERROR ! Bad compression pointer to offset 12 at offset 12\n"},
        {"counts without entries", "0001 8000 ffff 0000 0000 0000",
         "  NBNS: ERROR ! Message cut short: 0 of 65535 entries read\n"},
    };
    for (const auto& c : kCases) {
        const auto bytes = Hex(c.hex);
        const auto detail = Detail(m_nbns, bytes);
        EXPECT_NE(detail.text.find(c.line), std::string::npos) << c.name << "\n" << detail.text;
        EXPECT_LE(detail.consumed, bytes.size());
        EXPECT_EQ(Summary(m_nbns, bytes).consumed, detail.consumed) << c.name;
    }
    EXPECT_EQ(Summary(m_nbns, Hex("8001 0110 00")).text, "NBNS: ERROR !");
    // Over TCP the length prefix is read and shown after the headline.
    const auto tcp = Detail(m_nbns, Hex("000c 0001 0000 0000 0000 0000 0000"), decode::PROTO_TCP);
    EXPECT_TRUE(tcp.text.ends_with("NBNS: NBNS Frame Size = 12 (0x0C)\n")) << tcp.text;
}

}  // namespace
