// The systemd backend: services are the *.service units of one manager, reached over one
// D-Bus connection. Pause and continue freeze and thaw a unit's processes; the start type
// is the unit file's enablement (masked for disabled); the account is User=, changed through
// a drop-in beside the unit, never in the packaged unit file itself.
#pragma once

#include <string>
#include <vector>

#include "platform/SdBus.h"
#include "platform/ServiceManager.h"
#include "platform/SystemdConnector.h"

namespace platform {

class SystemdServiceManager final : public ServiceManager {
public:
    // host: empty for this machine, else the host drop-in files are written to through ssh.
    SystemdServiceManager(sdbus::BusPtr bus, std::string host, ServiceScope scope);

    bool IsConnected() const;

    ServiceManagerTraits Traits() const override { return {}; }
    ServiceResult<std::vector<ServiceEntry>> List() override;
    ServiceResult<std::string> Find(std::string_view name) override;
    ServiceResult<ServiceEntry> Query(const std::string& name) override;
    ServiceOutcome Start(const std::string& name, const std::vector<std::string>& arguments) override;
    ServiceOutcome Control(const std::string& name, ServiceControl control) override;
    ServiceOutcome ChangeConfig(const std::string& name, const ServiceConfigChange& change) override;

private:
    // Every *.service name the manager knows: loaded units and unit files (no templates).
    ServiceResult<std::vector<std::string>> Names();
    // "" when the job has gone in the meantime.
    std::string JobType(const std::string& jobPath);
    ServiceEntry EntryOf(const sdbus::Properties& unit, const sdbus::Properties& service, const std::string& jobType);
    // A Manager method with one unit name and an optional mode ("fail": refuse to replace a pending job).
    ServiceOutcome UnitCall(const char* method, const std::string& unit, const char* mode);
    ServiceOutcome SetStartType(const std::string& unit, std::uint32_t from, std::uint32_t to);
    ServiceOutcome UnitFilesCall(const char* method, const std::string& unit, bool withForce, bool* carriesInstallInfo);
    ServiceResult<std::string> ConfigDirectory();
    ServiceOutcome Reload();

    sdbus::BusPtr m_bus;
    std::string m_host;
    ServiceScope m_scope;
};

}  // namespace platform
