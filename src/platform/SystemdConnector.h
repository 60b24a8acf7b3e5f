// The systemd backend's way in: the system's manager (as systemctl) or the calling user's
// own (as systemctl --user), on this machine over the local bus, on another host through
// `ssh -xT -oBatchMode=yes -oConnectTimeout=10 -- HOST systemd-stdio-bridge`. A connection
// is kept per host and opened again when it has gone away.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/ServiceManager.h"
#include "platform/SshDestination.h"

namespace platform {

enum class ServiceScope { System, User };

class SystemdServiceManager;

class SystemdConnector final : public ServiceConnector {
public:
    explicit SystemdConnector(ServiceScope scope);
    ~SystemdConnector() override;
    SystemdConnector(const SystemdConnector&) = delete;
    SystemdConnector& operator=(const SystemdConnector&) = delete;

    ServiceResult<std::shared_ptr<ServiceManager>> Connect(const std::string& host) override;

    // The D-Bus address that reaches host's manager through ssh (for the record and tests).
    static std::string RemoteAddress(const SshDestination& host, ServiceScope scope);

private:
    ServiceScope m_scope;
    std::map<std::string, std::shared_ptr<SystemdServiceManager>, std::less<>> m_open;  // "" for this machine
};

}  // namespace platform
