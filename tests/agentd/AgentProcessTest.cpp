// palometsrv as a program on loopback: an independent client (impacket), the command-line
// client's grab checked frame for frame against the replayed file, and a clean SIGTERM.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>

namespace agentd {
namespace {

const std::string kBin = PALOMET_BIN_DIR;
const std::string kSource = PALOMET_SOURCE_DIR;
const std::string kSample = kSource + "/tests/agentd/data/lan-600.pcap";

int ExitCode(int status) { return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

int Shell(const std::string& command) { return ExitCode(std::system(command.c_str())); }

// The agent on free ports, replaying the sample; Terminate sends SIGTERM and returns the exit code.
class AgentProcess {
public:
    AgentProcess() {
        // The shell names its pid, then becomes the agent, whose first line names its ports.
        m_out = ::popen(("echo $$; exec " + kBin + "/palometsrv --replay " + kSample + " --port 0 --epm-port 0").c_str(), "r");
        char line[256] = {};
        if (m_out == nullptr || std::fgets(line, sizeof line, m_out) == nullptr) return;
        m_pid = std::atoi(line);
        std::cmatch m;
        if (std::fgets(line, sizeof line, m_out) != nullptr &&
            std::regex_search(line, m, std::regex("port (\\d+), endpoint mapper on port (\\d+)"))) {
            m_port = m[1];
            m_epmPort = m[2];
        }
    }
    ~AgentProcess() { Terminate(); }
    bool Running() const { return m_pid > 0 && !m_port.empty(); }
    const std::string& Port() const { return m_port; }
    const std::string& EpmPort() const { return m_epmPort; }
    int Terminate() {
        if (m_out == nullptr) return m_exit;
        if (m_pid > 0) ::kill(m_pid, SIGTERM);
        m_exit = ExitCode(::pclose(m_out));
        m_out = nullptr;
        return m_exit;
    }

private:
    std::FILE* m_out = nullptr;
    pid_t m_pid = -1;
    int m_exit = -1;
    std::string m_port;
    std::string m_epmPort;
};

std::vector<char> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Temp(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("agentd-" + std::to_string(::getpid()) + "-" + name)).string();
}

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
    const std::string trace = Temp("grab.tns");
    const std::string exported = Temp("grab.pcap");
    ASSERT_EQ(Shell(cli + " agent --server 127.0.0.1 --epm-port " + agent.EpmPort() + " grab --frames 600 --out " + trace), 0);
    ASSERT_EQ(Shell(cli + " export " + trace + " " + exported), 0);
    // Same magic and link type; every record (stamps, lengths, bytes) identical. Only the
    // snap length of the file header may differ.
    const auto original = ReadFile(kSample);
    const auto roundTrip = ReadFile(exported);
    ASSERT_EQ(original.size(), roundTrip.size());
    EXPECT_TRUE(std::equal(original.begin(), original.begin() + 16, roundTrip.begin()));
    EXPECT_TRUE(std::equal(original.begin() + 20, original.end(), roundTrip.begin() + 20));
    EXPECT_EQ(agent.Terminate(), 0);
    std::filesystem::remove(trace);
    std::filesystem::remove(exported);
}

TEST(AgentProcessTest, RefusesAFileItCannotReplay) {
    const std::string bogus = Temp("bogus.pcap");
    std::ofstream(bogus) << "not a capture";
    EXPECT_EQ(Shell(kBin + "/palometsrv --replay " + bogus + " --port 0 --no-epm"), 1);
    EXPECT_NE(Shell(kBin + "/palometsrv --port 0 --no-epm"), 0);  // no source named
    std::filesystem::remove(bogus);
}

}  // namespace
}  // namespace agentd
