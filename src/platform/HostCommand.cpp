// Child programs over pipes with poll(), and the ssh command line.
#include "platform/HostCommand.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>

#include "platform/ChildProcess.h"
#include "platform/HostNames.h"
#include "platform/SshConnection.h"

namespace platform {
namespace {

constexpr std::size_t kMaxHostOutput = 16U << 20U;

void KillAndReap(pid_t pid) { (void)EndChild(pid, std::chrono::milliseconds(0)); }

// Reads what is there into text; false at end of file or on an error.
bool Drain(int fd, std::string& text) {
    std::array<char, 8192> buffer{};
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n > 0) {
        text.append(buffer.data(), static_cast<std::size_t>(n));
        return true;
    }
    return n < 0 && (errno == EINTR || errno == EAGAIN);
}

}  // namespace

ServiceResult<ProgramOutput> RunProgram(const std::vector<std::string>& argv, std::string_view input,
                                        std::chrono::milliseconds timeout, std::size_t maxOutput) {
    if (argv.empty()) return MakeServiceError(kErrorInvalidParameter, "No program to run.");
    // Standard input is a socket, so that writing to a program that has already gone away
    // gives EPIPE instead of a SIGPIPE for the whole process.
    int in[2] = {-1, -1};
    int out[2] = {-1, -1};
    int err[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, in) != 0)
        return MakeServiceError(kErrorInternal, ErrnoText("socketpair", errno));
    Descriptor inChild(in[0]), inParent(in[1]);
    if (::pipe2(out, O_CLOEXEC) != 0) return MakeServiceError(kErrorInternal, ErrnoText("pipe", errno));
    Descriptor outParent(out[0]), outChild(out[1]);
    if (::pipe2(err, O_CLOEXEC) != 0) return MakeServiceError(kErrorInternal, ErrnoText("pipe", errno));
    Descriptor errParent(err[0]), errChild(err[1]);

    const Spawned spawned = SpawnProgram(argv, inChild.Get(), outChild.Get(), errChild.Get());
    if (spawned.pid < 0) return MakeServiceError(kErrorFileNotFound, ErrnoText(argv[0].c_str(), spawned.error));
    const pid_t pid = spawned.pid;
    inChild.Close();
    outChild.Close();
    errChild.Close();
    for (const int fd : {inParent.Get(), outParent.Get(), errParent.Get()}) ::fcntl(fd, F_SETFL, O_NONBLOCK);

    ProgramOutput result;
    std::size_t written = 0;
    if (input.empty()) inParent.Close();
    bool outOpen = true;
    bool errOpen = true;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (outOpen || errOpen) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            KillAndReap(pid);
            return MakeServiceError(kErrorTimeout, argv[0] + " did not finish within " +
                                                       std::to_string(timeout.count() / 1000) + " seconds.");
        }
        std::array<pollfd, 3> fds = {{{outOpen ? outParent.Get() : -1, POLLIN, 0},
                                      {errOpen ? errParent.Get() : -1, POLLIN, 0},
                                      {inParent.Get(), POLLOUT, 0}}};
        if (::poll(fds.data(), fds.size(), static_cast<int>(std::min<long long>(left.count(), 1000))) < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            KillAndReap(pid);
            return MakeServiceError(kErrorInternal, ErrnoText("poll", error));
        }
        if (fds[0].revents != 0) outOpen = Drain(outParent.Get(), result.out);
        if (fds[1].revents != 0) errOpen = Drain(errParent.Get(), result.err);
        if (fds[2].revents != 0) {
            const std::string_view rest = input.substr(written);
            const ssize_t n = ::send(inParent.Get(), rest.data(), rest.size(), MSG_NOSIGNAL);
            if (n > 0) written += static_cast<std::size_t>(n);
            if (n < 0 && errno != EAGAIN && errno != EINTR) written = input.size();
            if (written >= input.size()) inParent.Close();
        }
        if (result.out.size() + result.err.size() > maxOutput) {
            KillAndReap(pid);
            return MakeServiceError(kErrorInternal,
                                    argv[0] + " wrote more than " + std::to_string(maxOutput >> 20U) + " MiB.");
        }
    }
    // Both of its outputs are closed: it has ended, or is about to.
    result.exitStatus = EndChild(pid, timeout);
    return result;
}

std::string SshProgram() {
    const char* custom = std::getenv("PALOMET_SSH");
    return custom != nullptr && *custom != '\0' ? std::string(custom) : std::string("ssh");
}

std::vector<std::string> SshArguments(const SshDestination& host) {
    std::vector<std::string> args = {"-xT", "-oBatchMode=yes", "-oConnectTimeout=10"};
    // A capture's SSH connection to the same destination carries this command too.
    if (const auto shared = SshConnection::LiveControlPath(host)) {
        args.emplace_back("-oControlMaster=no");
        args.push_back("-oControlPath=" + *shared);
    }
    for (auto& a : host.Arguments()) args.push_back(std::move(a));
    return args;
}

std::vector<std::string> SshArguments(const HostName& host) { return SshArguments(SshDestination(host)); }

std::string ShellQuote(std::string_view text) {
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

ServiceResult<ProgramOutput> RunOnHost(std::string_view host, const std::string& commandLine, std::string_view input,
                                       std::chrono::milliseconds timeout) {
    host = StripMachinePrefix(host);
    auto target = SshTarget(host);
    if (!target) return target.Err();
    std::vector<std::string> argv = {SshProgram()};
    for (auto& a : SshArguments(target.Value())) argv.push_back(std::move(a));
    argv.push_back(commandLine);
    auto run = RunProgram(argv, input, timeout, kMaxHostOutput);
    if (!run) return run;
    if (run.Value().exitStatus == 255) {
        std::string why = run.Value().err;
        while (!why.empty() && (why.back() == '\n' || why.back() == '\r')) why.pop_back();
        return MakeServiceError(kRpcServerUnavailable, "ssh " + std::string(host) + ": " + why);
    }
    return run;
}

}  // namespace platform
