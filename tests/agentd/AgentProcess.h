// palometsrv run as a program for the tests: free ports, its log in a file, its pid.
#pragma once

#include <signal.h>

#include <cstdio>
#include <regex>
#include <sstream>
#include <string>

#include "support/Files.h"
#include "support/Programs.h"
#include "support/Scratch.h"

namespace agentd::test {

inline const std::string kBin = PALOMET_BIN_DIR;
inline const std::string kSource = PALOMET_SOURCE_DIR;
inline const std::string kSample = kSource + "/tests/agentd/data/lan-600.pcap";

// The exit status of a shell command (its output is not kept).
inline int Shell(const std::string& command) { return support::Run(command).status; }

// The agent on free ports (replaying the sample unless the arguments name a source); its log
// goes to a file in the test's scratch folder. Terminate sends SIGTERM and returns the exit
// code.
class AgentProcess {
public:
    explicit AgentProcess(const std::string& arguments = "--replay " + kSample, const std::string& prefix = "")
        : m_log(support::TempPath("agent-" + std::to_string(++s_count) + ".log")),
          m_program(prefix + kBin + "/palometsrv " + arguments + " --port 0 --epm-port 0 2>" + m_log) {
        // Its first line names its ports.
        std::smatch m;
        const std::string line = m_program.Line();
        if (std::regex_search(line, m, std::regex("port (\\d+), endpoint mapper on port (\\d+)"))) {
            m_port = m[1];
            m_epmPort = m[2];
        }
    }
    ~AgentProcess() { Terminate(); }
    AgentProcess(const AgentProcess&) = delete;
    AgentProcess& operator=(const AgentProcess&) = delete;
    pid_t Pid() const { return m_program.Pid(); }
    std::string Log() const { return support::ReadText(m_log); }
    bool Running() const { return Pid() > 0 && !m_port.empty(); }
    const std::string& Port() const { return m_port; }
    const std::string& EpmPort() const { return m_epmPort; }
    // Stopped by SIGSTOP, with a request that a client sent it lying unread on its port: a
    // call in flight that nothing will answer.
    bool HoldsUnansweredCall() const {
        const std::string stat = support::ReadText("/proc/" + std::to_string(Pid()) + "/stat");
        const auto state = stat.rfind(") ");
        if (state == std::string::npos || stat.substr(state + 2, 1) != "T") return false;
        char port[8] = {};
        std::snprintf(port, sizeof port, ":%04X ", static_cast<unsigned>(std::stoi(m_port)));
        // /proc/net/tcp: "sl local rem st tx_queue:rx_queue ...", addresses and numbers in hex.
        std::istringstream sockets(support::ReadText("/proc/net/tcp"));
        for (std::string line; std::getline(sockets, line);) {
            std::istringstream fields(line);
            std::string slot, local, remote, st, queues;
            fields >> slot >> local >> remote >> st >> queues;
            const bool established = st == "01";
            if (established && (local + " ").ends_with(port) && queues.substr(queues.find(':') + 1) != "00000000")
                return true;
        }
        return false;
    }
    int Terminate() {
        m_program.Signal(SIGCONT);
        m_program.Signal(SIGTERM);
        return m_program.Wait();
    }

private:
    static inline int s_count = 0;
    std::string m_log;
    support::Process m_program;
    std::string m_port;
    std::string m_epmPort;
};

}  // namespace agentd::test
