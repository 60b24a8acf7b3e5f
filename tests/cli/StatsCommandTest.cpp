// palomet-cli stats on the sample, as a user runs it. The numbers expected are tshark's for
// the sample's pcap (frames and bytes on the wire).
#include "CliRun.h"

namespace {

using clitest::Cli;
using clitest::CliRun;
using clitest::kSample;

TEST(StatsCommand, EachViewInEachForm) {
    struct Case {
        const char* args;
        std::vector<const char*> lines;  // each found in stdout as a whole line
    };
    const Case cases[] = {
        {"--protocols --tsv",
         {"Protocol\tFrames\tFrames %\tBytes\tBytes %", "Ethernet\t400\t100.00\t84427\t100.00",
          "Ethernet/IPv4/TCP\t248\t62.00\t63382\t75.07", "Ethernet/IPv4/UDP/DNS\t78\t19.50\t7998\t9.47",
          "Ethernet/ARP\t13\t3.25\t780\t0.92"}},
        // A person sees the layers indented under each other.
        {"--protocols",
         {"      POP3        34      8.50   3010     3.57", "  ARP             13      3.25    780     0.92"}},
        {"--conversations tcp --tsv",
         {"192.168.1.42\t3870\t192.168.1.5\t23\t15\t928\t8\t490\t7\t438\t0.008864\t0.116632\t25"}},
        // ip is the kind when none is given.
        {"--conversations --tsv",
         {"Address A\tAddress B\tFrames\tBytes\tFrames A->B\tBytes A->B\tFrames B->A\tBytes B->A\t"
          "Start\tDuration\tFirst frame"}},
        {"--endpoints eth --json", {"["}},
        {"--io 100ms --tsv", {"Start\tEnd\tFrames\tBytes"}},
        {"--io 1h --tsv", {"0.000000\t3600.000000\t400\t84427"}},
    };
    for (const Case& c : cases) {
        const CliRun r = Cli("stats " + kSample + " " + c.args);
        ASSERT_EQ(r.status, 0) << c.args << "\n" << r.err;
        EXPECT_EQ(r.err, "") << c.args;
        for (const char* line : c.lines)
            EXPECT_NE(("\n" + r.out).find("\n" + std::string(line) + "\n"), std::string::npos) << c.args << "\n"
                                                                                               << r.out;
    }
}

TEST(StatsCommand, RefusesAnythingButOneViewOfOneFile) {
    const char* cases[] = {
        "",                      // no view
        "--protocols --io 1s",   // two views
        "--conversations sctp",  // no such kind
        "--io 0.5ms",
        "--io 2h",
        "--io fast",  // outside 1 ms to 1 h
        "--protocols --tsv --json",
    };
    for (const char* args : cases) {
        const CliRun r = Cli("stats " + kSample + " " + args);
        EXPECT_NE(r.status, 0) << args;
        EXPECT_EQ(r.out, "") << args;
        EXPECT_NE(r.err, "") << args;
    }
    const CliRun missing = Cli("stats /nonexistent.tns --protocols");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("Trace file could not be opened!"), std::string::npos) << missing.err;
}

}  // namespace
