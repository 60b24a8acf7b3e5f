// The simulated service table and its connector.
#include "platform/simulated/SimulatedServiceManager.h"

#include <algorithm>

#include "platform/LetterCase.h"
#include "platform/HostNames.h"
#include "platform/SshDestination.h"
#include "platform/SystemdMapping.h"

namespace platform {
namespace {

constexpr std::string_view kServiceSuffix = ".service";
constexpr std::uint32_t kUserUnknown = 217;  // the exit status systemd gives a service whose user does not exist

ServiceError Missing(std::string_view name) {
    return MakeServiceError(kErrorServiceDoesNotExist, "Unit " + std::string(name) + " not found.");
}

class SimulatedServiceManager final : public ServiceManager {
public:
    explicit SimulatedServiceManager(std::shared_ptr<SimulatedHost> host) : m_host(std::move(host)) {}
    ServiceManagerTraits Traits() const override { return m_host->Traits(); }
    ServiceResult<std::vector<ServiceEntry>> List() override { return m_host->List(); }
    ServiceResult<std::string> Find(std::string_view name) override { return m_host->Find(name); }
    ServiceResult<ServiceEntry> Query(const std::string& name) override { return m_host->Query(name); }
    ServiceOutcome Start(const std::string& name, const std::vector<std::string>& arguments) override {
        return m_host->Start(name, arguments);
    }
    ServiceOutcome Control(const std::string& name, ServiceControl control) override {
        return m_host->Control(name, control);
    }
    ServiceOutcome ChangeConfig(const std::string& name, const ServiceConfigChange& change) override {
        return m_host->ChangeConfig(name, change);
    }

private:
    std::shared_ptr<SimulatedHost> m_host;
};

}  // namespace

SimulatedHost::SimulatedHost() : m_accounts{"root", "daemon", "nobody"} {}

SimulatedService& SimulatedHost::Add(SimulatedService service) {
    if (service.displayName.empty()) service.displayName = service.name;
    m_services.push_back(std::move(service));
    return m_services.back();
}

SimulatedService* SimulatedHost::Service(std::string_view name) {
    const auto it =
        std::find_if(m_services.begin(), m_services.end(), [&](const SimulatedService& s) { return s.name == name; });
    return it == m_services.end() ? nullptr : &*it;
}

void SimulatedHost::FailNext(const std::string& name, ServiceError error) {
    m_failures.insert_or_assign(name, std::move(error));
}

std::optional<ServiceError> SimulatedHost::TakeFailure(const std::string& name) {
    const auto it = m_failures.find(name);
    if (it == m_failures.end()) return std::nullopt;
    ServiceError error = std::move(it->second);
    m_failures.erase(it);
    return error;
}

void SimulatedHost::Begin(SimulatedService& s, std::uint32_t pending, std::uint32_t target, unsigned reads) {
    s.pendingTarget = target;
    s.pendingReads = reads;
    s.status.currentState = pending;
    if (reads == 0) Finish(s);
}

void SimulatedHost::Finish(SimulatedService& s) {
    ServiceStatus& st = s.status;
    st.currentState = s.pendingTarget;
    if (s.pendingStart) {
        s.pendingStart = false;
        const bool knownUser = s.account == kSystemAccount ||
                               std::find(m_accounts.begin(), m_accounts.end(), s.account) != m_accounts.end();
        const std::uint32_t exit = knownUser ? s.exitStatus : kUserUnknown;
        if (exit != 0) {
            st.currentState = kStateStopped;
            st.win32ExitCode = kErrorServiceSpecific;
            st.serviceSpecificExitCode = exit;
            st.stopReason = systemd::ExitDescription("exit-code", 1, exit);
        }
    }
}

ServiceEntry SimulatedHost::EntryOf(SimulatedService& s) {
    // Each status read of a pending transition uses up one of its reads; the read after the
    // last one sees it done.
    const std::uint32_t state = s.status.currentState;
    const bool pending = state == kStateStartPending || state == kStateStopPending || state == kStateContinuePending ||
                         state == kStatePausePending;
    if (pending && s.pendingReads == 0)
        Finish(s);
    else if (pending && s.pendingReads != SimulatedService::kForever)
        --s.pendingReads;
    ServiceEntry e;
    e.name = s.name;
    e.status = s.status;
    e.status.controlsAccepted = 0;
    if (s.status.currentState != kStateStopped) {
        if (s.canStop) e.status.controlsAccepted |= kAcceptStop;
        if (s.canPause) e.status.controlsAccepted |= kAcceptPauseContinue;
    }
    e.config.startType = s.startType;
    e.config.binaryPath = s.binaryPath;
    e.config.account = s.account;
    e.config.displayName = s.displayName;
    return e;
}

ServiceResult<std::vector<ServiceEntry>> SimulatedHost::List() {
    std::vector<ServiceEntry> entries;
    for (auto& s : m_services) entries.push_back(EntryOf(s));
    std::sort(entries.begin(), entries.end(),
              [](const ServiceEntry& a, const ServiceEntry& b) { return a.name < b.name; });
    return entries;
}

ServiceResult<std::string> SimulatedHost::Find(std::string_view name) {
    std::string wanted(name);
    if (!platform::EndsWithIgnoringCase(wanted, kServiceSuffix)) wanted += kServiceSuffix;
    if (Service(wanted) != nullptr) return wanted;
    for (const auto& s : m_services)
        if (platform::EqualsIgnoringCase(s.name, wanted)) return s.name;
    return Missing(wanted);
}

ServiceResult<ServiceEntry> SimulatedHost::Query(const std::string& name) {
    if (auto failure = TakeFailure(name)) return *failure;
    SimulatedService* s = Service(name);
    if (s == nullptr) return Missing(name);
    return EntryOf(*s);
}

ServiceOutcome SimulatedHost::Start(const std::string& name, const std::vector<std::string>& arguments) {
    if (!arguments.empty() && !m_traits.startParameters)
        return MakeServiceError(kErrorInvalidParameter,
                                "A systemd unit takes no start parameters; set its command line in the unit instead.");
    if (auto failure = TakeFailure(name)) return *failure;
    SimulatedService* s = Service(name);
    if (s == nullptr) return Missing(name);
    switch (s->status.currentState) {
        case kStateRunning:
        case kStatePaused:
        case kStatePausePending:
        case kStateContinuePending:
            return MakeServiceError(kErrorServiceAlreadyRunning, name + " is already running.");
        case kStateStartPending:
            return ServiceSuccess();
        case kStateStopPending:
            return MakeServiceError(kErrorServiceCannotAcceptControl,
                                    "Transaction for " + name + "/start is destructive.");
        default:
            break;
    }
    if (s->startType == kStartDisabled) return MakeServiceError(kErrorServiceDisabled, "Unit " + name + " is masked.");
    s->status.win32ExitCode = 0;
    s->status.serviceSpecificExitCode = 0;
    s->status.stopReason.clear();
    s->pendingStart = true;
    Begin(*s, kStateStartPending, kStateRunning, s->startReads);
    return ServiceSuccess();
}

ServiceOutcome SimulatedHost::Control(const std::string& name, ServiceControl control) {
    if (auto failure = TakeFailure(name)) return *failure;
    SimulatedService* s = Service(name);
    if (s == nullptr) return Missing(name);
    const std::uint32_t state = s->status.currentState;
    if (state == kStateStopped) return MakeServiceError(kErrorServiceNotActive, name + " is not running.");
    const bool jobPending = state == kStateStartPending || state == kStateStopPending;
    switch (control) {
        case ServiceControl::Stop:
            if (!s->canStop)
                return MakeServiceError(kErrorInvalidServiceControl,
                                        "Operation refused, unit " + name + " may be requested by dependency only.");
            if (state == kStateStopPending) return ServiceSuccess();
            if (jobPending)
                return MakeServiceError(kErrorServiceCannotAcceptControl,
                                        "Transaction for " + name + "/stop is destructive.");
            Begin(*s, kStateStopPending, kStateStopped, s->stopReads);
            return ServiceSuccess();
        case ServiceControl::Pause:
            if (!s->canPause)
                return MakeServiceError(kErrorInvalidServiceControl,
                                        name + " cannot be paused: this host cannot freeze it.");
            if (jobPending) return MakeServiceError(kErrorServiceCannotAcceptControl, "Unit has a pending job.");
            if (state == kStateRunning) Begin(*s, kStatePausePending, kStatePaused, s->pauseReads);
            return ServiceSuccess();
        case ServiceControl::Continue:
            if (jobPending) return MakeServiceError(kErrorServiceCannotAcceptControl, "Unit has a pending job.");
            if (state == kStatePaused) Begin(*s, kStateContinuePending, kStateRunning, s->continueReads);
            return ServiceSuccess();
    }
    return MakeServiceError(kErrorInvalidServiceControl);
}

ServiceOutcome SimulatedHost::ChangeConfig(const std::string& name, const ServiceConfigChange& change) {
    m_lastChange = change;
    if ((change.serviceType & kServiceInteractive) != 0 && !m_traits.desktopInteraction)
        return MakeServiceError(kErrorNotSupported, "A service run by systemd cannot interact with a desktop.");
    std::string account;
    if (auto bad = ServiceAccount(change.account, account)) return *bad;
    if (change.startType != kStartAuto && change.startType != kStartManual && change.startType != kStartDisabled)
        return MakeServiceError(kErrorInvalidParameter, "Start type " + std::to_string(change.startType) +
                                                            " does not exist for a systemd unit.");
    if (auto failure = TakeFailure(name)) return *failure;
    SimulatedService* s = Service(name);
    if (s == nullptr) return Missing(name);
    if (change.startType == kStartAuto && s->startType != kStartAuto && !s->installInfo)
        return MakeServiceError(kErrorNotSupported,
                                name + " has no [Install] section, so it cannot be started automatically.");
    s->startType = change.startType;
    if (!account.empty()) s->account = account;
    return ServiceSuccess();
}

SimulatedConnector::SimulatedConnector() = default;

SimulatedHost& SimulatedConnector::Host(const std::string& host) {
    const std::string key = IsLocalHost(host) ? std::string() : std::string(StripMachinePrefix(host));
    auto& slot = m_hosts[key];
    if (!slot) slot = std::make_shared<SimulatedHost>();
    return *slot;
}

ServiceResult<std::shared_ptr<ServiceManager>> SimulatedConnector::Connect(const std::string& host) {
    const bool local = IsLocalHost(host);
    const std::string key = local ? std::string() : std::string(StripMachinePrefix(host));
    if (!local) {
        if (auto target = SshTarget(key); !target) return target.Err();
    }
    const auto it = m_hosts.find(key);
    if (it == m_hosts.end())
        return MakeServiceError(kRpcServerUnavailable,
                                "ssh " + key + ": Could not resolve hostname " + key + ": Name or service not known");
    return std::shared_ptr<ServiceManager>(std::make_shared<SimulatedServiceManager>(it->second));
}

void SimulatedConnector::AddDemoServices(SimulatedHost& host) {
    host.Accounts() = {"root", "daemon", "nobody", "palometsrv", "operator"};
    auto add = [&](std::string name, std::string display, std::uint32_t startType, bool running) -> SimulatedService& {
        SimulatedService s;
        s.name = std::move(name);
        s.displayName = std::move(display);
        s.startType = startType;
        s.startReads = 3;
        s.stopReads = 2;
        SimulatedService& added = host.Add(std::move(s));
        if (running) added.status.currentState = kStateRunning;
        return added;
    };
    add("palometsrv.service", "Palomet capture agent", kStartAuto, false).account = "palometsrv";
    add("cron.service", "Regular background program processing daemon", kStartAuto, true);
    add("dbus.service", "D-Bus System Message Bus", kStartManual, true).canStop = false;
    add("ssh.service", "OpenBSD Secure Shell server", kStartAuto, true);
    add("rsync.service", "fast remote file copy program daemon", kStartManual, false);
    add("apt-daily.service", "Daily apt download activities", kStartManual, false).installInfo = false;
    add("bluetooth.service", "Bluetooth service", kStartDisabled, false);
    add("systemd-journald.service", "Journal Service", kStartManual, true).canStop = false;
}

}  // namespace platform
