// One SSH connection to a host, shared by everything in the process that talks to it.
//
// OpenSSH's client makes it, as the operator's own ssh would (~/.ssh/config, host aliases,
// ProxyJump, the agent, known_hosts; PALOMET_SSH names another program), as a connection
// sharing master whose control socket lives in a folder only this user can enter. Every
// stream to a port on the host's loopback is one channel of it (`ssh -W 127.0.0.1:PORT`
// through the control socket, on one end of a socket pair), and the service layer's ssh
// commands to the same destination ride it too. Nothing is ever asked: batch mode, strict
// host keys, a bounded connect; a login that fails says why in ssh's own words.
//
// The master leaves ssh's foreground once it has logged in (ControlPersist), so a process
// that dies without closing it leaves no connection behind for long: a master with no
// channel ends by itself after kIdleExit. One that is gone (dropped, or idle too long) is
// made again by the next Start or Dial.
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/SshDestination.h"
#include "platform/StreamDialer.h"

namespace platform {

class SshConnection final : public StreamDialer {
public:
    static constexpr std::chrono::seconds kIdleExit{20};

    // The process's connection to destination: the one it already has, else a new one that
    // has not logged in yet.
    static std::shared_ptr<SshConnection> Shared(const SshDestination& destination);
    // The control socket of the process's logged-in connection to destination, if it has one.
    static std::optional<std::string> LiveControlPath(const SshDestination& destination);

    // Asks the master to exit (its channels end with it), reaps the channels and removes the
    // folder. The last holder of the shared connection runs this.
    ~SshConnection() override;
    SshConnection(const SshConnection&) = delete;
    SshConnection& operator=(const SshConnection&) = delete;

    // Logs in, unless the master already answers. Refused when ssh could not (Failure() says
    // why), TimedOut when the login did not finish by the deadline, Aborted when abort was set.
    NetStatus Start(Deadline deadline, const ManualResetEvent* abort);
    // A channel to 127.0.0.1:port on the host, logging in first when needed. The channel is
    // confirmed by the first bytes it carries: a port nobody listens on ends the stream.
    NetStatus Dial(std::uint16_t port, Deadline deadline, const ManualResetEvent* abort, TcpSocket& out) override;
    std::string Failure() const override;

    const SshDestination& Destination() const noexcept { return m_destination; }

private:
    struct Channel {
        pid_t pid = -1;
        int errors = -1;  // the read end of the channel's standard error
        std::uint16_t port = 0;
        std::string words;  // what it wrote there so far
    };

    explicit SshConnection(SshDestination destination);
    NetStatus Lock(std::unique_lock<std::timed_mutex>& held, Deadline deadline, const ManualResetEvent* abort);
    NetStatus StartLocked(Deadline deadline, const ManualResetEvent* abort);
    bool MasterAnswers() const;
    bool MakeFolder();
    void StopMaster();
    void ReapChannels(bool all);
    std::vector<std::string> SshCommand(std::initializer_list<std::string> options) const;
    void SetFailure(std::string text);

    SshDestination m_destination;
    std::string m_folder;
    std::string m_controlPath;
    std::timed_mutex m_mutex;  // one login or dial at a time
    std::atomic<bool> m_loggedIn{false};
    mutable std::mutex m_stateMutex;          // the channels and the failure, read by Failure()
    mutable std::vector<Channel> m_channels;  // the newest last
    std::string m_failure;                    // why the last login failed; empty after one succeeded
};

}  // namespace platform
