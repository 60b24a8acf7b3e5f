// posix_spawn with three descriptors, and reaping.
#include "platform/ChildProcess.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

extern char** environ;  // handed on to the programs we start

namespace platform {
namespace {

int StatusOf(int raw) { return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw); }

}  // namespace

void Descriptor::Close() noexcept {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

Spawned SpawnProgram(const std::vector<std::string>& argv, int in, int out, int err) {
    Spawned spawned;
    if (argv.empty()) {
        spawned.error = EINVAL;
        return spawned;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in, 0);
    posix_spawn_file_actions_adddup2(&actions, out, 1);
    posix_spawn_file_actions_adddup2(&actions, err, 2);
    std::vector<std::string> args = argv;
    std::vector<char*> pointers;
    pointers.reserve(args.size() + 1);
    for (auto& a : args) pointers.push_back(a.data());
    pointers.push_back(nullptr);
    spawned.error = ::posix_spawnp(&spawned.pid, args[0].c_str(), &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned.error != 0) spawned.pid = -1;
    return spawned;
}

std::optional<int> ExitedStatus(pid_t pid) {
    int raw = 0;
    pid_t r = 0;
    while ((r = ::waitpid(pid, &raw, WNOHANG)) < 0 && errno == EINTR) {}
    if (r == pid) return StatusOf(raw);
    if (r < 0) return 128 + SIGKILL;  // not ours to wait for any more
    return std::nullopt;
}

int EndChild(pid_t pid, std::chrono::milliseconds grace) {
    const auto deadline = std::chrono::steady_clock::now() + grace;
    for (;;) {
        if (const auto status = ExitedStatus(pid)) return *status;
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ::kill(pid, SIGKILL);
    int raw = 0;
    while (::waitpid(pid, &raw, 0) < 0 && errno == EINTR) {}
    return StatusOf(raw);
}

std::string ErrnoText(const char* what, int error) { return std::string(what) + ": " + std::strerror(error); }

}  // namespace platform
