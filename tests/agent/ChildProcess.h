// A program run by a test: its stdout read line by line, signals sent by pid, and always
// reaped (killed first if it still runs) when the object goes.
#pragma once

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

extern char** environ;

namespace agent::test {

class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& args) {
        int out[2] = {-1, -1};
        if (::pipe(out) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        if (::posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        m_out = out[0];
    }
    ~ChildProcess() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGCONT);
            ::kill(m_pid, SIGKILL);
            Wait();
        }
        if (m_out >= 0) ::close(m_out);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Running() const { return m_pid > 0; }
    void Signal(int signal) const {
        if (m_pid > 0) ::kill(m_pid, signal);
    }
    // The next line of its stdout, or "" once it closes or nothing comes for 30 s.
    std::string ReadLine() {
        std::string line;
        char c = 0;
        pollfd p{m_out, POLLIN, 0};
        while (::poll(&p, 1, 30000) == 1 && ::read(m_out, &c, 1) == 1 && c != '\n') line += c;
        return line;
    }
    // Its exit status as waitpid reports it.
    int Wait() {
        int status = -1;
        if (m_pid > 0) ::waitpid(m_pid, &status, 0);
        m_pid = -1;
        return status;
    }

private:
    pid_t m_pid = -1;
    int m_out = -1;
};

}  // namespace agent::test
