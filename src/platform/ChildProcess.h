// Starting a program on descriptors of our choosing, and ending it: what the ssh commands
// and the SSH connection's channels share. Descriptors of this process are never handed on
// (everything here is opened close-on-exec), so a child holds only what it was given.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

// A file descriptor, closed when it goes.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) noexcept : m_fd(fd) {}
    ~Descriptor() { Close(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const noexcept { return m_fd; }
    // Hands the descriptor over; this one no longer closes it.
    int Release() noexcept { return std::exchange(m_fd, -1); }
    void Close() noexcept;

private:
    int m_fd;
};

struct Spawned {
    pid_t pid = -1;
    int error = 0;  // errno of a program that could not be started (ENOENT: not found)
};

// Runs argv[0] (looked up in PATH) with in, out and err as its standard descriptors.
Spawned SpawnProgram(const std::vector<std::string>& argv, int in, int out, int err);

// The exit status of a child that has ended (128 + the signal when a signal ended it), else
// nullopt; never waits.
std::optional<int> ExitedStatus(pid_t pid);

// Waits for the child up to grace, then kills it; reaped either way.
int EndChild(pid_t pid, std::chrono::milliseconds grace);

// "what: text of errno".
std::string ErrnoText(const char* what, int error);

}  // namespace platform
