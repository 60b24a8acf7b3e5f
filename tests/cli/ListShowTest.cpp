// palomet-cli list at each summary level and show, run as a user runs them on the sample.
#include "CliRun.h"

namespace {

using clitest::Cli;
using clitest::CliRun;
using clitest::kSample;

// Frame 100, a Telnet option negotiation, at each level: the columns the window shows, in
// each format; JSON escapes the captured bytes its own way.
TEST(ListCommand, EachLevelSummarisesUpToItsLayer) {
    const std::string header = "Counter\tDelta\tSource\tDestination\tSummary\n";
    const struct {
        const char* args;
        std::string out;
    } cases[] = {
        {"--tsv --level datalink",
         header + "100\t0\tDARTS 1215E3\tApple 75F636\tETHERNET:  ETYPE = 0x0800 : Protocol = IPv4\n"},
        {"--tsv --level network", header + "100\t0\t192.168.10.118\t192.168.10.5\tIPv4:  Protocol = 6 (TCP)\n"},
        {"--tsv --level transport", header +
                                        "100\t0\t192.168.10.118\t192.168.10.5\tTCP:  S=56553 D=23 PSH ACK=168491143 "
                                        "SEQ=2328630737 LEN=12 WIN=502 \n"},
        {"--tsv",
         header +
             R"(100	0	192.168.10.118	192.168.10.5	TELNET:  [\xFF\xFB\x18\xFF\xFC \xFF\xFC#\xFF\xFC'])"
             "\n"},
        {"",
         " Counter   Delta  Source           Destination      Summary\n"
         R"(     100       0  192.168.10.118   192.168.10.5     TELNET:  [\xFF\xFB\x18\xFF\xFC \xFF\xFC#\xFF\xFC'])"
         "\n"},
        {"--json",
         "[\n"
         R"({"Counter": 100, "Delta": 0, "Source": "192.168.10.118", "Destination": "192.168.10.5", )"
         R"("Summary": "TELNET:  [\\xFF\\xFB\u0018\\xFF\\xFC \\xFF\\xFC#\\xFF\\xFC']"})"
         "\n]\n"},
    };
    for (const auto& c : cases) {
        const CliRun r = Cli("list " + kSample + " --from 100 --count 1 " + c.args);
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
