// palometsrv as a program on loopback: an independent client (impacket), the command-line
// client's grab checked frame for frame against the replayed file, and a clean SIGTERM.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

extern char** environ;

namespace agentd {
namespace {

const std::string kBin = PALOMET_BIN_DIR;
const std::string kSample = std::string(PALOMET_SOURCE_DIR) + "/tests/agentd/data/lan-600.pcap";

pid_t Spawn(const std::vector<std::string>& args, int stdoutFd) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdoutFd >= 0) posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDOUT_FILENO);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

int Wait(pid_t pid) {
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int RunProgram(const std::vector<std::string>& args) {
    const pid_t pid = Spawn(args, -1);
    return pid < 0 ? -1 : Wait(pid);
}

// The agent on free ports, replaying the sample; Terminate sends SIGTERM and returns the exit code.
class AgentProcess {
public:
    explicit AgentProcess(const std::vector<std::string>& extra = {}) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        std::vector<std::string> args = {kBin + "/palometsrv", "--replay", kSample, "--port", "0", "--epm-port", "0"};
        args.insert(args.end(), extra.begin(), extra.end());
        m_pid = Spawn(args, fds[1]);
        ::close(fds[1]);
        std::string line;
        pollfd p{fds[0], POLLIN, 0};
        char c = 0;
        while (::poll(&p, 1, 10000) > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n') line += c;
        ::close(fds[0]);
        std::smatch m;
        if (std::regex_search(line, m, std::regex("port (\\d+), endpoint mapper on port (\\d+)"))) {
            m_port = m[1];
            m_epmPort = m[2];
        }
    }
    ~AgentProcess() { Terminate(); }
    bool Running() const { return m_pid > 0 && !m_port.empty(); }
    const std::string& Port() const { return m_port; }
    const std::string& EpmPort() const { return m_epmPort; }
    int Terminate() {
        if (m_pid <= 0) return m_exit;
        ::kill(m_pid, SIGTERM);
        m_exit = Wait(m_pid);
        m_pid = -1;
        return m_exit;
    }

private:
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
    if (RunProgram({"/usr/bin/python3", "-c", "import impacket.dcerpc.v5"}) != 0) GTEST_SKIP() << "python3-impacket missing";
    AgentProcess agent;
    ASSERT_TRUE(agent.Running());
    const std::string script = std::string(PALOMET_SOURCE_DIR) + "/tests/agentd/impacket_peer.py";
    EXPECT_EQ(RunProgram({"/usr/bin/python3", script, agent.Port(), agent.EpmPort(), "600"}), 0);
    EXPECT_EQ(agent.Terminate(), 0);
}

TEST(AgentProcessTest, GrabWritesTheReplayedFramesExactly) {
    AgentProcess agent;
    ASSERT_TRUE(agent.Running());
    const std::string cli = kBin + "/palomet-cli";
    const std::string trace = Temp("grab.tns");
    const std::string exported = Temp("grab.pcap");
    ASSERT_EQ(RunProgram({cli, "agent", "--server", "127.0.0.1", "--epm-port", agent.EpmPort(), "ping"}), 0);
    ASSERT_EQ(RunProgram({cli, "agent", "--server", "127.0.0.1", "--epm-port", agent.EpmPort(), "grab", "--frames", "600",
                   "--out", trace}),
              0);
    EXPECT_EQ(RunProgram({cli, "info", trace}), 0);
    EXPECT_EQ(RunProgram({cli, "list", trace, "--count", "5"}), 0);
    ASSERT_EQ(RunProgram({cli, "export", trace, exported}), 0);
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
    EXPECT_EQ(RunProgram({kBin + "/palometsrv", "--replay", bogus, "--port", "0", "--no-epm"}), 1);
    EXPECT_NE(RunProgram({kBin + "/palometsrv", "--port", "0", "--no-epm"}), 0);  // no source named
    std::filesystem::remove(bogus);
}

}  // namespace
}  // namespace agentd
