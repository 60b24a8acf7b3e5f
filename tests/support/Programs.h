// Programs run by the tests as a user runs them: a command line through the shell (its
// redirections and variables included), either to its end with its output kept, or started
// and left running while the test talks to it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

namespace support {

struct RunOutput {
    int status = -1;  // the exit status; 128 + the signal when one ended it; -1 when it could not run
    std::string out;
    std::string err;  // or why it could not run or finish
};

// Runs command through /bin/sh and waits for its end (ten minutes at most, then it is killed).
RunOutput Run(const std::string& command);

// A program started through the shell, which becomes the program (so Pid() is the program's);
// its standard output read line by line, its standard error where the command sends it. The
// destructor kills it if it still runs, and reaps it.
class Process {
public:
    explicit Process(const std::string& command);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    pid_t Pid() const noexcept { return m_pid; }
    // The next line of its output with its line feed; empty once the output has ended.
    std::string Line();
    void Signal(int signal) const;
    // Waits for the end; the exit status as RunOutput has it.
    int Wait();
    // The exit status if it ends within limit, else nothing (and it keeps running).
    std::optional<int> WaitFor(std::chrono::milliseconds limit);

private:
    pid_t m_pid = -1;
    std::FILE* m_out = nullptr;
    std::optional<int> m_status;
};

}  // namespace support
