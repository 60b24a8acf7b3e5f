// palomet-cli list at each summary level and show, run as a user runs them on the sample.
#include "CliRun.h"

namespace {

using clitest::Cli;
using clitest::CliRun;
using clitest::kSample;

TEST(ListCommand, EachLevelSummarisesUpToItsLayer) {
    struct Case {
        const char* level;
        const char* expectedPrefix;  // of the Summary cell of frame 6, a TCP SYN to port 80
    };
    const Case cases[] = {{"datalink", "ETHERNET:  ETYPE = 0x0800"},
                          {"network", "IPv4:  Protocol = 6 ("},
                          {"transport", "TCP:  S=65321 D=80 SYN SEQ="},
                          {"application", "TCP:  S=65321 D=80 SYN SEQ="}};
    for (const auto& c : cases) {
        const CliRun r = Cli("list " + kSample + " --from 6 --count 1 --tsv --level " + c.level);
        ASSERT_EQ(r.status, 0) << r.out;
        EXPECT_EQ(r.out.rfind("Counter\tDelta\tSource\tDestination\tSummary\n6\t0\t", 0), 0U) << r.out;
        EXPECT_NE(r.out.find(std::string("\t") + c.expectedPrefix), std::string::npos) << c.level << "\n" << r.out;
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
