// palometsrv as a program on loopback: an independent client (impacket), the command-line
// client's grab checked frame for frame against the replayed file, and a clean SIGTERM.
#include <gtest/gtest.h>

#include <string>

#include "AgentProcess.h"

namespace agentd {
namespace {

using support::ReadBytes;
using support::TempPath;
using test::AgentProcess;
using test::kBin;
using test::kSample;
using test::kSource;
using test::Shell;

TEST(AgentProcessTest, ImpacketPeerTalksToTheAgent) {
    if (Shell("/usr/bin/python3 -c 'import impacket.dcerpc.v5'") != 0) GTEST_SKIP() << "python3-impacket missing";
    AgentProcess agent;
    ASSERT_TRUE(agent.Running());
    EXPECT_EQ(Shell("/usr/bin/python3 " + kSource + "/tests/agentd/impacket_peer.py " + agent.Port() + " " +
                    agent.EpmPort() + " 600"),
              0);
    EXPECT_EQ(agent.Terminate(), 0);
}

TEST(AgentProcessTest, GrabWritesTheReplayedFramesExactly) {
    AgentProcess agent;
    ASSERT_TRUE(agent.Running());
    const std::string cli = kBin + "/palomet-cli";
    const std::string trace = TempPath("grab.tns");
    const std::string exported = TempPath("grab.pcap");
    ASSERT_EQ(
        Shell(cli + " agent --server 127.0.0.1 --epm-port " + agent.EpmPort() + " grab --frames 600 --out " + trace),
        0);
    ASSERT_EQ(Shell(cli + " export " + trace + " " + exported), 0);
    // Same magic and link type; every record (stamps, lengths, bytes) identical. Only the
    // snap length of the file header may differ.
    const auto original = ReadBytes(kSample);
    const auto roundTrip = ReadBytes(exported);
    ASSERT_EQ(original.size(), roundTrip.size());
    EXPECT_TRUE(std::equal(original.begin(), original.begin() + 16, roundTrip.begin()));
    EXPECT_TRUE(std::equal(original.begin() + 20, original.end(), roundTrip.begin() + 20));
    EXPECT_EQ(agent.Terminate(), 0);
}

TEST(AgentProcessTest, RefusesAFileItCannotReplay) {
    const std::string bogus = TempPath("bogus.pcap");
    support::WriteText(bogus, "not a capture");
    EXPECT_EQ(Shell(kBin + "/palometsrv --replay " + bogus + " --port 0 --no-epm"), 1);
    EXPECT_NE(Shell(kBin + "/palometsrv --port 0 --no-epm"), 0);  // no source named
}

}  // namespace
}  // namespace agentd
