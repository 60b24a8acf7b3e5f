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
         {"Protocol\tFrames\tFrames %\tBytes\tBytes %", "Ethernet\t400\t100.00\t108405\t100.00",
          "Ethernet/IPv4/TCP\t224\t56.00\t79949\t73.75", "Ethernet/IPv4/UDP/DNS\t88\t22.00\t9301\t8.58",
          "Ethernet/ARP\t24\t6.00\t1440\t1.33", "Ethernet/VLAN/IPv4/TCP\t15\t3.75\t12584\t11.61"}},
        // A person sees the layers indented under each other.
        {"--protocols",
         {"      POP3        12      3.00    3826     3.53", "  ARP             24      6.00    1440     1.33"}},
        // tshark shows 15 kB each way and in all, 501 bytes the other way.
        {"--conversations tcp --tsv",
         {"192.168.10.118\t65060\t192.168.10.4\t445\t18\t15707\t7\t501\t11\t15206\t0.006228\t0.111334\t23"}},
        // ip is the kind when none is given.
        {"--conversations --tsv",
         {"Address A\tAddress B\tFrames\tBytes\tFrames A->B\tBytes A->B\tFrames B->A\tBytes B->A\t"
          "Start\tDuration\tFirst frame"}},
        {"--endpoints eth --json", {"["}},
        {"--io 100ms --tsv", {"Start\tEnd\tFrames\tBytes"}},
        {"--io 1h --tsv", {"0.000000\t3600.000000\t400\t108405"}},
        // The DNS of IPv4 and IPv6 (tcpdump's "udp port 53" reads no VLAN tag).
        {"--io 1h --filter 'udp port 53' --tsv",
         {"Start\tEnd\tFrames\tBytes\tMatched frames\tMatched bytes", "0.000000\t3600.000000\t400\t108405\t94\t10084"}},
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
        "--protocols --filter udp",       // a filter is for the I/O series
        "--io 1s --filter 'port port'",  // libpcap refuses it
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
