// palometsrv run as a program for the tests: free ports, its log in a file, its pid.
#pragma once

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
#include <vector>

namespace agentd::test {

inline const std::string kBin = PALOMET_BIN_DIR;
inline const std::string kSource = PALOMET_SOURCE_DIR;
inline const std::string kSample = kSource + "/tests/agentd/data/lan-600.pcap";

inline int ExitCode(int status) { return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

inline int Shell(const std::string& command) { return ExitCode(std::system(command.c_str())); }

inline std::string Temp(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("agentd-" + std::to_string(::getpid()) + "-" + name)).string();
}

// The agent on free ports (replaying the sample unless the arguments name a source); its log
// goes to a file. Terminate sends SIGTERM and returns the exit code.
class AgentProcess {
public:
    explicit AgentProcess(const std::string& arguments = "--replay " + kSample, const std::string& prefix = "")
        : m_log(Temp("agent-" + std::to_string(++s_count) + ".log")) {
        // The shell names its pid, then becomes the agent, whose first line names its ports.
        m_out = ::popen(
            ("echo $$; exec " + prefix + kBin + "/palometsrv " + arguments + " --port 0 --epm-port 0 2>" + m_log)
                .c_str(),
            "r");
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
    ~AgentProcess() {
        Terminate();
        std::filesystem::remove(m_log);
    }
    pid_t Pid() const { return m_pid; }
    std::string Log() const {
        std::ifstream in(m_log);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    bool Running() const { return m_pid > 0 && !m_port.empty(); }
    const std::string& Port() const { return m_port; }
    const std::string& EpmPort() const { return m_epmPort; }
    int Terminate() {
        if (m_out == nullptr) return m_exit;
        if (m_pid > 0) {
            ::kill(m_pid, SIGCONT);
            ::kill(m_pid, SIGTERM);
        }
        m_exit = ExitCode(::pclose(m_out));
        m_out = nullptr;
        return m_exit;
    }

private:
    static inline int s_count = 0;
    std::string m_log;
    std::FILE* m_out = nullptr;
    pid_t m_pid = -1;
    int m_exit = -1;
    std::string m_port;
    std::string m_epmPort;
};

inline std::vector<char> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace agentd::test
