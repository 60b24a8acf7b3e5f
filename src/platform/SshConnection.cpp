// The SSH connection master, its channels, and the process's table of shared connections.
#include "platform/SshConnection.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <utility>

#include "platform/ChildProcess.h"
#include "platform/HostCommand.h"
#include "platform/SshFailure.h"
#include "platform/TimedLock.h"

namespace platform {
namespace {

constexpr std::size_t kMaxWords = 16U << 10U;  // of one ssh's standard error
// OpenSSH binds the control socket under its name plus a 17-character suffix first.
constexpr std::size_t kMaxControlPath = sizeof(sockaddr_un::sun_path) - 18;
constexpr std::chrono::milliseconds kLockSlice{50};
constexpr std::chrono::milliseconds kWordsWait{300};
constexpr std::chrono::seconds kExitWait{5};
// What ssh may queue towards us before a write blocks (the kernel caps it at wmem_max). ssh
// copies the whole of what it holds for a channel whenever that grows, so a peek's reply
// costs it least when the reply passes straight into the socket.
constexpr int kChannelQueue = 4 << 20;

std::mutex g_sharedMutex;
std::map<std::string, std::weak_ptr<SshConnection>, std::less<>> g_shared;

// Appends what fd holds now; false once it is at its end (or broken).
bool ReadWords(int fd, std::string& words) {
    std::array<char, 4096> buffer{};
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n > 0) {
            words.append(buffer.data(),
                         std::min(static_cast<std::size_t>(n), kMaxWords - std::min(kMaxWords, words.size())));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

// Waits until fd reaches its end (the program closed its standard error, or ended), the
// deadline passes or abort is set, collecting what it says.
NetStatus WaitForEnd(int fd, Deadline deadline, const ManualResetEvent* abort, std::string& words) {
    for (;;) {
        if (abort != nullptr && abort->IsSet()) return NetStatus::Aborted;
        std::array<pollfd, 2> fds = {{{fd, POLLIN, 0}, {abort != nullptr ? abort->PollFd() : -1, POLLIN, 0}}};
        const int ms = MillisecondsUntil(deadline, 1000);
        const int n = ::poll(fds.data(), fds.size(), ms);
        if (n < 0 && errno != EINTR) return NetStatus::Failed;
        if (fds[0].revents != 0 && !ReadWords(fd, words)) return NetStatus::Ok;
        if (fds[1].revents != 0) return NetStatus::Aborted;
        if (n == 0 && ms == 0) return NetStatus::TimedOut;
    }
}

// Where the control socket's folder goes: the user's runtime folder, else /tmp; a path too
// long for a socket, or one ssh would read % tokens in, falls back to /tmp.
std::string FolderBase() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string base = runtime != nullptr && *runtime == '/' ? runtime : "";
    if (base.empty() || base.find('%') != std::string::npos || base.size() + 32 > kMaxControlPath ||
        ::access(base.c_str(), W_OK | X_OK) != 0)
        base = "/tmp";
    return base;
}

std::string ProgramMissing(int error) {
    return "The ssh program \"" + SshProgram() + "\" could not be started: " + std::strerror(error) +
           " (PALOMET_SSH names another).";
}

bool SetNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

}  // namespace

std::shared_ptr<SshConnection> SshConnection::Shared(const SshDestination& destination) {
    std::scoped_lock lock(g_sharedMutex);
    std::erase_if(g_shared, [](const auto& entry) { return entry.second.expired(); });
    auto& slot = g_shared[destination.Url()];
    if (auto live = slot.lock()) return live;
    std::shared_ptr<SshConnection> made(new SshConnection(destination));
    slot = made;
    return made;
}

std::optional<std::string> SshConnection::LiveControlPath(const SshDestination& destination) {
    std::shared_ptr<SshConnection> live;  // let go outside the lock: it may be the last holder
    {
        std::scoped_lock lock(g_sharedMutex);
        if (const auto found = g_shared.find(destination.Url()); found != g_shared.end()) live = found->second.lock();
    }
    if (!live || !live->m_loggedIn) return std::nullopt;
    return live->m_controlPath;
}

SshConnection::SshConnection(SshDestination destination) : m_destination(std::move(destination)) {}

SshConnection::~SshConnection() {
    StopMaster();
    ReapChannels(true);
    if (!m_folder.empty()) {
        ::unlink(m_controlPath.c_str());
        ::rmdir(m_folder.c_str());
    }
}

std::vector<std::string> SshConnection::SshCommand(std::initializer_list<std::string> options) const {
    std::vector<std::string> argv = {SshProgram(),
                                     "-xT",
                                     "-oBatchMode=yes",
                                     "-oConnectTimeout=10",
                                     "-oStrictHostKeyChecking=yes",
                                     "-oLogLevel=ERROR",
                                     "-oControlPath=" + m_controlPath};
    argv.insert(argv.end(), options);
    for (auto& a : m_destination.Arguments()) argv.push_back(std::move(a));
    return argv;
}

void SshConnection::SetFailure(std::string text) {
    std::scoped_lock lock(m_stateMutex);
    m_failure = std::move(text);
}

bool SshConnection::MakeFolder() {
    if (!m_folder.empty()) return true;
    std::string pattern = FolderBase() + "/palomet-ssh-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        SetFailure(ErrnoText("The folder for the SSH connection's control socket could not be made", errno));
        return false;
    }
    m_folder = pattern;
    m_controlPath = m_folder + "/master";
    return true;
}

bool SshConnection::MasterAnswers() const {
    if (m_controlPath.empty()) return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, m_controlPath.c_str(), sizeof address.sun_path - 1);
    Descriptor probe(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    return probe.Get() >= 0 && ::connect(probe.Get(), static_cast<const sockaddr*>(static_cast<const void*>(&address)),
                                         sizeof address) == 0;
}

NetStatus SshConnection::Lock(std::unique_lock<std::timed_mutex>& held, Deadline deadline,
                              const ManualResetEvent* abort) {
    // In slices, so that a cancel or the deadline ends the wait for a login in progress.
    while (!TryLockFor(m_mutex, kLockSlice)) {
        if (abort != nullptr && abort->IsSet()) return NetStatus::Aborted;
        if (std::chrono::steady_clock::now() >= deadline) return NetStatus::TimedOut;
    }
    held = std::unique_lock(m_mutex, std::adopt_lock);
    return NetStatus::Ok;
}

NetStatus SshConnection::Start(Deadline deadline, const ManualResetEvent* abort) {
    std::unique_lock<std::timed_mutex> held;
    if (const NetStatus locked = Lock(held, deadline, abort); locked != NetStatus::Ok) return locked;
    return StartLocked(deadline, abort);
}

NetStatus SshConnection::StartLocked(Deadline deadline, const ManualResetEvent* abort) {
    if (m_loggedIn && MasterAnswers()) return NetStatus::Ok;
    m_loggedIn = false;
    if (!MakeFolder()) return NetStatus::Refused;
    ::unlink(m_controlPath.c_str());  // a master that died leaves its socket behind
    const std::string where = m_destination.Url();
    int errorPipe[2] = {-1, -1};
    if (::pipe2(errorPipe, O_CLOEXEC) != 0) {
        SetFailure(ErrnoText("pipe", errno));
        return NetStatus::Failed;
    }
    Descriptor errorsRead(errorPipe[0]);
    Descriptor errorsWrite(errorPipe[1]);
    Descriptor nothing(::open("/dev/null", O_RDWR | O_CLOEXEC));
    // The master logs in, leaves the foreground (which exits 0), and ends by itself once no
    // channel has used it for kIdleExit.
    const auto spawned =
        SpawnProgram(SshCommand({"-N", "-oControlMaster=yes", "-oControlPersist=" + std::to_string(kIdleExit.count()),
                                 "-oServerAliveInterval=15", "-oServerAliveCountMax=3", "-oClearAllForwardings=yes"}),
                     nothing.Get(), nothing.Get(), errorsWrite.Get());
    errorsWrite.Close();
    if (spawned.pid < 0) {
        SetFailure(ProgramMissing(spawned.error));
        return NetStatus::Refused;
    }
    SetNonBlocking(errorsRead.Get());
    std::string words;
    const NetStatus waited = WaitForEnd(errorsRead.Get(), deadline, abort, words);
    const int status = EndChild(spawned.pid, waited == NetStatus::Ok ? kExitWait : std::chrono::milliseconds(0));
    if (waited == NetStatus::Ok && status == 0 && MasterAnswers()) {
        m_loggedIn = true;
        SetFailure({});
        return NetStatus::Ok;
    }
    if (waited == NetStatus::Aborted) return NetStatus::Aborted;
    if (waited == NetStatus::TimedOut) {
        SetFailure(where + " did not complete the SSH login in the time given to it.");
        return NetStatus::TimedOut;
    }
    SetFailure(DescribeSshFailure(where, words));
    return NetStatus::Refused;
}

void SshConnection::StopMaster() {
    // Whether or not a login finished in time for us to know it: a master that answers goes.
    m_loggedIn = false;
    if (!MasterAnswers()) return;
    (void)RunProgram(SshCommand({"-O", "exit"}), {}, kExitWait, kMaxWords);
}

void SshConnection::ReapChannels(bool all) {
    std::scoped_lock lock(m_stateMutex);
    const std::size_t keep = all || m_channels.empty() ? 0 : 1;  // the newest may yet be asked why it failed
    auto ended =
        std::remove_if(m_channels.begin(), m_channels.end() - static_cast<std::ptrdiff_t>(keep), [all](Channel& c) {
            if (!all && !ExitedStatus(c.pid)) return false;
            if (all) (void)EndChild(c.pid, std::chrono::seconds(2));
            ::close(c.errors);
            return true;
        });
    m_channels.erase(ended, m_channels.end() - static_cast<std::ptrdiff_t>(keep));
}

NetStatus SshConnection::Dial(std::uint16_t port, Deadline deadline, const ManualResetEvent* abort, TcpSocket& out) {
    std::unique_lock<std::timed_mutex> held;
    if (const NetStatus locked = Lock(held, deadline, abort); locked != NetStatus::Ok) return locked;
    if (const NetStatus started = StartLocked(deadline, abort); started != NetStatus::Ok) return started;
    ReapChannels(false);
    int ends[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return NetStatus::Failed;
    Descriptor ours(ends[0]);
    Descriptor theirs(ends[1]);
    (void)::setsockopt(theirs.Get(), SOL_SOCKET, SO_SNDBUF, &kChannelQueue, sizeof kChannelQueue);
    int errorPipe[2] = {-1, -1};
    if (::pipe2(errorPipe, O_CLOEXEC) != 0) return NetStatus::Failed;
    Descriptor errorsRead(errorPipe[0]);
    Descriptor errorsWrite(errorPipe[1]);
    const auto spawned = SpawnProgram(SshCommand({"-oControlMaster=no", "-W", "127.0.0.1:" + std::to_string(port)}),
                                      theirs.Get(), theirs.Get(), errorsWrite.Get());
    if (spawned.pid < 0) {
        SetFailure(ProgramMissing(spawned.error));
        return NetStatus::Refused;
    }
    SetNonBlocking(errorsRead.Get());
    if (!SetNonBlocking(ours.Get())) return NetStatus::Failed;
    {
        std::scoped_lock lock(m_stateMutex);
        m_failure.clear();
        m_channels.push_back({spawned.pid, errorsRead.Release(), port, {}});
    }
    out = TcpSocket(ours.Release());
    return NetStatus::Ok;
}

std::string SshConnection::Failure() const {
    std::scoped_lock lock(m_stateMutex);
    if (!m_failure.empty()) return m_failure;
    if (m_channels.empty()) return {};
    Channel& newest = m_channels.back();
    // The channel's ssh writes its complaint as the stream ends; give it a moment.
    (void)WaitForEnd(newest.errors, std::chrono::steady_clock::now() + kWordsWait, nullptr, newest.words);
    return newest.words.empty() ? std::string() : DescribeSshFailure(m_destination.Url(), newest.words, newest.port);
}

}  // namespace platform
