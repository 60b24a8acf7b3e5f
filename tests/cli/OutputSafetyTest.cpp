// Captured bytes never reach the terminal or a machine format raw: list (people, TSV, JSON)
// and show escape what could act on a terminal or break a row, and JSON stays strict.
#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "CliRun.h"
#include "capture/TraceTestUtil.h"

namespace {

using clitest::Cli;
using clitest::CliRun;

testutil::Bytes Hex(const std::string& hex) {
    testutil::Bytes out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return out;
}

TEST(OutputSafety, CapturedControlBytesAreEscapedInEveryFormat) {
    // Telnet 23->1030 "ESC ]0;owned BEL ESC [2J" C1 CSI, bad UTF-8, a backslash and a tab;
    // then a DNS query whose name holds a line feed and an escape.
    capture::CPktSnap batch;
    batch.AddFrame(testutil::EthernetFrame(
        Hex("00a0c9abcdef00000c123456080045000048000100004006f749c0a80101c0a8011400170406000013880000177050181000"
            "ae6800001b5d303b6f776e6564071b5b324ac29bfffe206f6b205c78343109656e640d0a")));
    batch.AddFrame(testutil::EthernetFrame(
        Hex("00000c12345600a0c9abcdef08004500003e000100004011f747c0a80114c0a8010204050035002ad9f70bad010000010000"
            "0000000003610a62081b5b316d6576696c03636f6d0000010001")));
    const auto trace = testutil::WriteBlock(support::TempPath("hostile.tns"), batch);
    const std::string telnet = "TELNET:  [\\x1B]0;owned\\x07\\x1B[2J\\xC2\\x9B\\xFF\\xFE ok \\\\x41\\x09end]";
    const std::string dns = "'a\\x0Ab.\\x1B[1mevil.com'";
    for (const std::string args : {"list", "list --tsv", "show"}) {
        const CliRun r = Cli(args + " " + trace + (args == "show" ? " 0 1" : ""));
        ASSERT_EQ(r.status, 0) << args << "\n" << r.err;
        for (const char ch : r.out) {
            const auto c = static_cast<unsigned char>(ch);
            EXPECT_TRUE(c >= 0x20 ? c < 0x7F : (c == '\n' || (c == '\t' && args == "list --tsv")))
                << args << ": byte " << int(c);
        }
        EXPECT_NE(r.out.find(dns), std::string::npos) << args << "\n" << r.out;
        if (args == "show") continue;  // Telnet has a summary and no detail lines
        EXPECT_NE(r.out.find(telnet), std::string::npos) << args << "\n" << r.out;
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 3) << "a header and one line per row";
    }
    // JSON: a strict parser takes the document (valid UTF-8, no raw control characters).
    const CliRun json = Cli("list --json " + trace);
    const auto file = support::TempPath("rows.json");
    support::WriteText(file, json.out);
    const std::string check =
        "/usr/bin/python3 -c 'import json,sys; assert len(json.loads(open(sys.argv[1], \"rb\").read()"
        ".decode(\"utf-8\"))) == 2' " +
        file;
    const auto parsed = support::Run(check);
    EXPECT_EQ(parsed.status, 0) << json.out << parsed.err;
}

}  // namespace
