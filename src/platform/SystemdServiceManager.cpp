// The systemd backend over sd-bus: Manager methods for control and enablement, GetAll on the
// unit and service interfaces for configuration and state.
#include "platform/SystemdServiceManager.h"

#include <algorithm>
#include <cstdlib>
#include <set>
#include <utility>

#include "platform/LetterCase.h"
#include "platform/HostNames.h"
#include "platform/SystemdMapping.h"
#include "platform/UnitDropIn.h"

namespace platform {
namespace {

constexpr std::string_view kServiceSuffix = ".service";
constexpr std::string_view kAccountDropIn = "50-palomet-account.conf";

bool IsTemplate(std::string_view name) { return name.find("@.") != std::string_view::npos; }

std::string BaseName(std::string_view path) {
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string Joined(const std::vector<std::string>& texts) {
    std::string out;
    for (const auto& t : texts) out += (out.empty() ? "" : " ") + t;
    return out;
}

ServiceError NotRunning(const std::string& name) {
    return MakeServiceError(kErrorServiceNotActive, name + " is not running.");
}

}  // namespace

SystemdServiceManager::SystemdServiceManager(sdbus::BusPtr bus, std::string host, ServiceScope scope)
    : m_bus(std::move(bus)),
      m_host(std::move(host)),
      m_scope(scope) {}

bool SystemdServiceManager::IsConnected() const { return m_bus && sd_bus_is_open(m_bus.get()) > 0; }

ServiceResult<std::vector<std::string>> SystemdServiceManager::Names() {
    std::vector<std::string> names;
    // name, description, load state, active state, sub state, following, path, job id, job type, job path
    auto units = sdbus::CallManager(m_bus.get(), "ListUnitsByPatterns", "asas", 0, 1, "*.service");
    if (!units) return units.Err();
    int k = sd_bus_message_enter_container(units.Value().get(), 'a', "(ssssssouso)");
    const char* name = nullptr;
    const char* load = nullptr;
    while (k >= 0 && (k = sd_bus_message_read(units.Value().get(), "(ssssssouso)", &name, nullptr, &load, nullptr,
                                              nullptr, nullptr, nullptr, nullptr, nullptr, nullptr)) > 0) {
        if (std::string_view(load) != "not-found") names.emplace_back(name);
    }
    if (k < 0) return sdbus::Error().ToServiceError(k);
    auto files = sdbus::CallManager(m_bus.get(), "ListUnitFilesByPatterns", "asas", 0, 1, "*.service");
    if (!files) return files.Err();
    k = sd_bus_message_enter_container(files.Value().get(), 'a', "(ss)");
    const char* path = nullptr;
    const char* state = nullptr;
    while (k >= 0 && (k = sd_bus_message_read(files.Value().get(), "(ss)", &path, &state)) > 0) {
        std::string file = BaseName(path);
        if (!IsTemplate(file) && std::string_view(state) != "alias") names.push_back(std::move(file));
    }
    if (k < 0) return sdbus::Error().ToServiceError(k);
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    names.erase(
        std::remove_if(names.begin(), names.end(), [](const std::string& n) { return !systemd::IsUnitName(n); }),
        names.end());
    return names;
}

std::string SystemdServiceManager::JobType(const std::string& jobPath) {
    sdbus::Error error;
    char* type = nullptr;
    const int r = sd_bus_get_property_string(m_bus.get(), sdbus::kDestination, jobPath.c_str(), sdbus::kJobInterface,
                                             "JobType", error.Get(), &type);
    if (r < 0) return std::string();  // the job finished in the meantime
    std::string result(type != nullptr ? type : "");
    std::free(type);
    return result;
}

ServiceEntry SystemdServiceManager::EntryOf(const sdbus::Properties& unit, const sdbus::Properties& service,
                                            const std::string& jobType) {
    using sdbus::FlagOf;
    using sdbus::NumberOf;
    using sdbus::TextOf;
    ServiceEntry entry;
    entry.name = TextOf(unit, "Id");
    ServiceStatus& s = entry.status;
    s.currentState = systemd::StateOf(TextOf(unit, "ActiveState"), TextOf(unit, "FreezerState"), jobType);
    if (s.currentState != kStateStopped) {
        if (FlagOf(unit, "CanStop")) s.controlsAccepted |= kAcceptStop;
        if (FlagOf(unit, "CanFreeze")) s.controlsAccepted |= kAcceptPauseContinue;
    }
    const std::string result = TextOf(service, "Result");
    if (!result.empty() && result != "success") {
        s.win32ExitCode = kErrorServiceSpecific;
        s.serviceSpecificExitCode = static_cast<std::uint32_t>(NumberOf(service, "ExecMainStatus"));
        s.stopReason = systemd::ExitDescription(result, static_cast<std::uint32_t>(NumberOf(service, "ExecMainCode")),
                                                s.serviceSpecificExitCode);
    }
    ServiceConfig& c = entry.config;
    c.startType = systemd::StartTypeOf(TextOf(unit, "UnitFileState"), TextOf(unit, "LoadState"));
    c.binaryPath = TextOf(service, "ExecStart");
    c.dependencies = Joined(sdbus::TextsOf(unit, "Requires"));
    c.account = systemd::AccountOf(TextOf(service, "User"), FlagOf(service, "DynamicUser"), entry.name);
    c.displayName = TextOf(unit, "Description");
    if (c.displayName.empty()) c.displayName = entry.name;
    return entry;
}

ServiceResult<std::vector<ServiceEntry>> SystemdServiceManager::List() {
    auto names = Names();
    if (!names) return names.Err();
    std::vector<sdbus::Call> calls;
    for (const auto& name : names.Value()) {
        const std::string path = sdbus::UnitPath(name);
        calls.push_back({path, sdbus::kUnitInterface});
        calls.push_back({path, sdbus::kServiceInterface});
    }
    auto props = sdbus::GetAllMany(m_bus.get(), calls);
    if (!props) return props.Err();
    std::vector<ServiceEntry> entries;
    std::set<std::string, std::less<>> seen;  // aliases lead to the same unit
    for (std::size_t i = 0; i + 1 < props.Value().size(); i += 2) {
        const auto& unit = props.Value()[i];
        const std::string id = sdbus::TextOf(unit, "Id");
        if (sdbus::TextOf(unit, "LoadState") == "not-found" || id.empty() || !seen.insert(id).second) continue;
        const std::string jobPath = sdbus::TextOf(unit, "Job");
        std::string jobType = jobPath.empty() ? std::string() : JobType(jobPath);
        if (!jobPath.empty() && jobType.empty()) jobType = "unknown";
        entries.push_back(EntryOf(unit, props.Value()[i + 1], jobType));
    }
    return entries;
}

ServiceResult<std::string> SystemdServiceManager::Find(std::string_view name) {
    std::string wanted(name);
    if (!platform::EndsWithIgnoringCase(wanted, kServiceSuffix)) wanted += kServiceSuffix;
    auto names = Names();
    if (!names) return names.Err();
    const auto& all = names.Value();
    if (std::find(all.begin(), all.end(), wanted) != all.end()) return wanted;
    const auto it =
        std::find_if(all.begin(), all.end(), [&](const std::string& n) { return platform::EqualsIgnoringCase(n, wanted); });
    if (it != all.end()) return *it;
    return MakeServiceError(kErrorServiceDoesNotExist, "Unit " + wanted + " not found.");
}

ServiceResult<ServiceEntry> SystemdServiceManager::Query(const std::string& name) {
    if (!systemd::IsUnitName(name))
        return MakeServiceError(kErrorInvalidParameter, "\"" + name + "\" is not a unit name.");
    const std::string path = sdbus::UnitPath(name);
    // A job can end between reading the unit and reading the job; the unit has moved on
    // then, so it is read again rather than guessed at.
    for (int attempt = 0;; ++attempt) {
        auto props = sdbus::GetAllMany(m_bus.get(), {{path, sdbus::kUnitInterface}, {path, sdbus::kServiceInterface}});
        if (!props) return props.Err();
        const sdbus::Properties& unit = props.Value()[0];
        if (sdbus::TextOf(unit, "LoadState") == "not-found")
            return MakeServiceError(kErrorServiceDoesNotExist, "Unit " + name + " not found.");
        const std::string jobPath = sdbus::TextOf(unit, "Job");
        std::string jobType = jobPath.empty() ? std::string() : JobType(jobPath);
        if (!jobPath.empty() && jobType.empty()) {
            if (attempt < 3) continue;
            jobType = "unknown";
        }
        return EntryOf(unit, props.Value()[1], jobType);
    }
}

ServiceOutcome SystemdServiceManager::UnitCall(const char* method, const std::string& unit, const char* mode) {
    auto reply = mode != nullptr ? sdbus::CallManager(m_bus.get(), method, "ss", unit.c_str(), mode)
                                 : sdbus::CallManager(m_bus.get(), method, "s", unit.c_str());
    if (!reply) return reply.Err();
    return ServiceSuccess();
}

ServiceOutcome SystemdServiceManager::Start(const std::string& name, const std::vector<std::string>& arguments) {
    if (!arguments.empty())
        return MakeServiceError(kErrorInvalidParameter,
                                "A systemd unit takes no start parameters; set its command line in the unit instead.");
    auto entry = Query(name);
    if (!entry) return entry.Err();
    switch (entry.Value().status.currentState) {
        case kStateRunning:
        case kStatePaused:
        case kStatePausePending:
        case kStateContinuePending:
            return MakeServiceError(kErrorServiceAlreadyRunning, name + " is already running.");
        default:
            break;
    }
    // "fail": a start never replaces a pending stop (or any other queued job); it is refused.
    return UnitCall("StartUnit", name, "fail");
}

ServiceOutcome SystemdServiceManager::Control(const std::string& name, ServiceControl control) {
    auto entry = Query(name);
    if (!entry) return entry.Err();
    const ServiceStatus& status = entry.Value().status;
    if (status.currentState == kStateStopped) return NotRunning(name);
    switch (control) {
        case ServiceControl::Stop:
            return UnitCall("StopUnit", name, "fail");
        case ServiceControl::Pause:
            if ((status.controlsAccepted & kAcceptPauseContinue) == 0)
                return MakeServiceError(kErrorInvalidServiceControl,
                                        name + " cannot be paused: this host cannot freeze it.");
            return UnitCall("FreezeUnit", name, nullptr);
        case ServiceControl::Continue:
            return UnitCall("ThawUnit", name, nullptr);
    }
    return MakeServiceError(kErrorInvalidServiceControl);
}

ServiceOutcome SystemdServiceManager::UnitFilesCall(const char* method, const std::string& unit, bool withForce,
                                                    bool* carriesInstallInfo) {
    // files, runtime (no: for good), and for enable and mask, force (no: never overwrite a file)
    auto reply = withForce ? sdbus::CallManager(m_bus.get(), method, "asbb", 1, unit.c_str(), 0, 0)
                           : sdbus::CallManager(m_bus.get(), method, "asb", 1, unit.c_str(), 0);
    if (!reply) return reply.Err();
    if (carriesInstallInfo != nullptr) {
        int carries = 0;
        if (sd_bus_message_read_basic(reply.Value().get(), 'b', &carries) >= 0) *carriesInstallInfo = carries != 0;
    }
    return ServiceSuccess();
}

ServiceOutcome SystemdServiceManager::SetStartType(const std::string& unit, std::uint32_t from, std::uint32_t to) {
    if (to != kStartAuto && to != kStartManual && to != kStartDisabled)
        return MakeServiceError(kErrorInvalidParameter,
                                "Start type " + std::to_string(to) + " does not exist for a systemd unit.");
    if (to == kStartDisabled) return UnitFilesCall("MaskUnitFiles", unit, true, nullptr);
    if (from == kStartDisabled) {
        if (auto done = UnitFilesCall("UnmaskUnitFiles", unit, false, nullptr); !done) return done;
    }
    if (to == kStartManual) return UnitFilesCall("DisableUnitFiles", unit, false, nullptr);
    bool carries = true;
    if (auto done = UnitFilesCall("EnableUnitFiles", unit, true, &carries); !done) return done;
    if (!carries)
        return MakeServiceError(kErrorNotSupported,
                                unit + " has no [Install] section, so it cannot be started automatically.");
    return ServiceSuccess();
}

ServiceResult<std::string> SystemdServiceManager::ConfigDirectory() {
    // The manager's search path starts with its control directory (".../system.control");
    // the administrator's own directory is that name without ".control".
    sdbus::Error error;
    sd_bus_message* raw = nullptr;
    const int r = sd_bus_get_property(m_bus.get(), sdbus::kDestination, sdbus::kManagerPath, sdbus::kManagerInterface,
                                      "UnitPath", error.Get(), &raw, "as");
    sdbus::MessagePtr reply(raw);
    if (r >= 0) {
        const char* entry = nullptr;
        int k = sd_bus_message_enter_container(reply.get(), 'a', "s");
        while (k >= 0 && (k = sd_bus_message_read_basic(reply.get(), 's', &entry)) > 0) {
            const std::string_view path(entry);
            constexpr std::string_view kControl = ".control";
            if (path.size() > kControl.size() && path.front() == '/' &&
                path.substr(path.size() - kControl.size()) == kControl)
                return std::string(path.substr(0, path.size() - kControl.size()));
        }
    }
    if (m_scope == ServiceScope::System) return std::string("/etc/systemd/system");
    if (m_host.empty()) {
        if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config == '/')
            return std::string(config) + "/systemd/user";
        if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/')
            return std::string(home) + "/.config/systemd/user";
    }
    return MakeServiceError(kErrorNotSupported, "The service manager does not say where its configuration lives.");
}

ServiceOutcome SystemdServiceManager::Reload() {
    auto reply = sdbus::CallManager(m_bus.get(), "Reload", "");
    if (!reply) return reply.Err();
    return ServiceSuccess();
}

ServiceOutcome SystemdServiceManager::ChangeConfig(const std::string& name, const ServiceConfigChange& change) {
    if ((change.serviceType & kServiceInteractive) != 0)
        return MakeServiceError(kErrorNotSupported, "A service run by systemd cannot interact with a desktop.");
    std::string account;
    if (auto bad = ServiceAccount(change.account, account)) return *bad;
    auto entry = Query(name);
    if (!entry) return entry.Err();
    const ServiceConfig& now = entry.Value().config;
    const std::string& unit = entry.Value().name;
    bool changed = false;
    if (change.startType != now.startType) {
        auto done = SetStartType(unit, now.startType, change.startType);
        if (!done) {
            (void)Reload();  // an unmask may have gone through before the enable failed
            return done;
        }
        changed = true;
    }
    if (!account.empty() && account != now.account) {
        auto dir = ConfigDirectory();
        if (!dir) return dir.Err();
        auto done = WriteDropIn(m_host, dir.Value(), unit, kAccountDropIn, AccountDropIn(account));
        if (!done) {
            if (changed) (void)Reload();
            return done;
        }
        changed = true;
    }
    return changed ? Reload() : ServiceSuccess();
}

}  // namespace platform
