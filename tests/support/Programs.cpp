#include "support/Programs.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <thread>

#include "platform/HostCommand.h"
#include "support/WaitUntil.h"

extern char** environ;

namespace support {
namespace {

int StatusOf(int raw) { return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw); }

}  // namespace

RunOutput Run(const std::string& command) {
    auto run = platform::RunProgram({"/bin/sh", "-c", command}, {}, std::chrono::minutes(10), std::size_t{1} << 28U);
    if (!run) return {-1, {}, run.Err().message};
    return {run.Value().exitStatus, std::move(run.Value().out), std::move(run.Value().err)};
}

Process::Process(const std::string& command) {
    int out[2] = {-1, -1};
    if (::pipe2(out, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    std::string script = "exec " + command;
    std::array<char*, 4> argv = {const_cast<char*>("/bin/sh"), const_cast<char*>("-c"), script.data(), nullptr};
    if (::posix_spawn(&m_pid, "/bin/sh", &actions, nullptr, argv.data(), environ) != 0) m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    m_out = ::fdopen(out[0], "r");
}

Process::~Process() {
    if (m_pid > 0 && !m_status) {
        Signal(SIGCONT);
        Signal(SIGKILL);
        Wait();
    }
    if (m_out != nullptr) std::fclose(m_out);
}

std::string Process::Line() {
    std::array<char, 1024> line{};
    return m_out != nullptr && std::fgets(line.data(), line.size(), m_out) != nullptr ? line.data() : "";
}

void Process::Signal(int signal) const {
    if (m_pid > 0 && !m_status) ::kill(m_pid, signal);
}

int Process::Wait() {
    if (m_pid <= 0) return -1;
    if (!m_status) {
        int raw = 0;
        while (::waitpid(m_pid, &raw, 0) < 0 && errno == EINTR) {}
        m_status = StatusOf(raw);
    }
    return *m_status;
}

std::optional<int> Process::WaitFor(std::chrono::milliseconds limit) {
    if (m_pid <= 0) return -1;
    WaitUntil(
        [&] {
            int raw = 0;
            if (!m_status && ::waitpid(m_pid, &raw, WNOHANG) == m_pid) m_status = StatusOf(raw);
            return m_status.has_value();
        },
        limit);
    return m_status;
}

}  // namespace support
