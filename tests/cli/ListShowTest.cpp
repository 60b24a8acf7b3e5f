// palomet-cli list at each summary level and show, run as a user runs them on the sample.
#include "CliRun.h"

namespace {

using clitest::Cli;
using clitest::CliRun;
using clitest::kSample;

// Frame 103, a Telnet option negotiation, at each level: the columns the window shows, in
// each format; JSON escapes the captured bytes its own way.
TEST(ListCommand, EachLevelSummarisesUpToItsLayer) {
    const std::string header = "Counter\tDelta\tSource\tDestination\tSummary\n";
    const struct {
        const char* args;
        std::string out;
    } cases[] = {
        {"--tsv --level datalink",
         header + "103\t0\tIntel 2008D7\tIBM   6CF46B\tETHERNET:  ETYPE = 0x0800 : Protocol = IPv4\n"},
        {"--tsv --level network", header + "103\t0\t192.168.1.5\t192.168.1.59\tIPv4:  Protocol = 6 (TCP)\n"},
        {"--tsv --level transport", header + "103\t0\t192.168.1.5\t192.168.1.59\tTCP:  S=23 D=3227 PSH ACK=1482472703 "
                                             "SEQ=1115173971 LEN=12 WIN=8760 \n"},
        {"--tsv",
         header +
             R"(103	0	192.168.1.5	192.168.1.59	TELNET:  [\xFF\xFD\x18\xFF\xFD \xFF\xFD#\xFF\xFD'])"
             "\n"},
        {"",
         " Counter   Delta  Source           Destination      Summary\n"
         R"(     103       0  192.168.1.5      192.168.1.59     TELNET:  [\xFF\xFD\x18\xFF\xFD \xFF\xFD#\xFF\xFD'])"
         "\n"},
        {"--json",
         "[\n"
         R"({"Counter": 103, "Delta": 0, "Source": "192.168.1.5", "Destination": "192.168.1.59", )"
         R"("Summary": "TELNET:  [\\xFF\\xFD\u0018\\xFF\\xFD \\xFF\\xFD#\\xFF\\xFD']"})"
         "\n]\n"},
    };
    for (const auto& c : cases) {
        const CliRun r = Cli("list " + kSample + " --from 103 --count 1 " + c.args);
        ASSERT_EQ(r.status, 0) << c.args << "\n" << r.err;
        EXPECT_EQ(r.out, c.out) << c.args;
    }
}

TEST(ShowCommand, PrintsTheDetailTextOfEachFrame) {
    const CliRun r = Cli("show " + kSample + " 3 250");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out.rfind("FRAME:  Base frame properties\n    FRAME:  Time of capture = ", 0), 0U) << r.out;
    EXPECT_NE(r.out.find("\n    FRAME:  Frame number = 3\n"), std::string::npos);
    EXPECT_NE(r.out.find("\n\nFRAME:  Base frame properties\n"), std::string::npos) << "frames apart by a blank line";
    EXPECT_NE(r.out.find("\n    FRAME:  Frame number = 250\n"), std::string::npos);
    EXPECT_NE(r.out.find("\nIPv4:  ID = 0x"), std::string::npos);
    EXPECT_EQ(r.out.find('\r'), std::string::npos);

    const CliRun bad = Cli("show " + kSample + " 400");
    EXPECT_NE(bad.status, 0);
    EXPECT_NE(bad.err.find("Invalid line number: enter number in range 0..399"), std::string::npos) << bad.err;
}

}  // namespace
