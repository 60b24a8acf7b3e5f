// An in-memory service manager for the models' tests and for demonstrations on machines
// without systemd. Its services follow the systemd backend's rules (one contract suite
// holds both to them); each transition stays pending for as many status reads as the
// service is scripted to take, a started program can be scripted to fail with an exit
// status, and any operation can be scripted to fail once with a given error.
#pragma once

#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ServiceManager.h"

namespace platform {

struct SimulatedService {
    static constexpr unsigned kForever = std::numeric_limits<unsigned>::max();

    std::string name;
    std::string displayName;
    std::string binaryPath = "/usr/bin/true";
    std::uint32_t startType = kStartManual;
    std::string account = std::string(kSystemAccount);
    bool canStop = true;
    bool canPause = true;
    bool installInfo = true;       // false: cannot be set to start automatically
    std::uint32_t exitStatus = 0;  // non-zero: the program ends with it as soon as it starts
    unsigned startReads = 0;       // status reads a start stays pending for (kForever: never ends)
    unsigned stopReads = 0;
    unsigned pauseReads = 0;
    unsigned continueReads = 0;

    // Live state.
    ServiceStatus status;
    std::uint32_t pendingTarget = kStateStopped;
    unsigned pendingReads = 0;
    bool pendingStart = false;  // the pending transition is a start: the program's fate is decided at its end
};

class SimulatedHost {
public:
    SimulatedHost();

    SimulatedService& Add(SimulatedService service);
    SimulatedService* Service(std::string_view name);
    // The next operation on the named service fails with error (once).
    void FailNext(const std::string& name, ServiceError error);
    // User accounts of the host; a service set to run as another fails to start (exit 217).
    std::vector<std::string>& Accounts() noexcept { return m_accounts; }
    ServiceManagerTraits& Traits() noexcept { return m_traits; }
    // The last configuration change asked for, as it was asked.
    const std::optional<ServiceConfigChange>& LastChange() const noexcept { return m_lastChange; }

    ServiceResult<std::vector<ServiceEntry>> List();
    ServiceResult<std::string> Find(std::string_view name);
    ServiceResult<ServiceEntry> Query(const std::string& name);
    ServiceOutcome Start(const std::string& name, const std::vector<std::string>& arguments);
    ServiceOutcome Control(const std::string& name, ServiceControl control);
    ServiceOutcome ChangeConfig(const std::string& name, const ServiceConfigChange& change);

private:
    std::optional<ServiceError> TakeFailure(const std::string& name);
    ServiceEntry EntryOf(SimulatedService& s);
    void Begin(SimulatedService& s, std::uint32_t pending, std::uint32_t target, unsigned reads);
    void Finish(SimulatedService& s);

    std::vector<SimulatedService> m_services;
    std::map<std::string, ServiceError, std::less<>> m_failures;
    std::vector<std::string> m_accounts;
    ServiceManagerTraits m_traits;
    std::optional<ServiceConfigChange> m_lastChange;
};

// Hosts by name; this machine answers to its own name and the local aliases, other hosts
// must be added, an unknown one is unreachable (as an ssh that cannot connect).
class SimulatedConnector final : public ServiceConnector {
public:
    SimulatedConnector();
    // The host's table (made empty on first use).
    SimulatedHost& Host(const std::string& host);
    ServiceResult<std::shared_ptr<ServiceManager>> Connect(const std::string& host) override;

    // A demonstration host: a capture agent, a few system services, accounts.
    static void AddDemoServices(SimulatedHost& host);

private:
    std::map<std::string, std::shared_ptr<SimulatedHost>, std::less<>> m_hosts;  // "" for this machine
};

}  // namespace platform
