// One service of one host: a snapshot of its configuration and status, and the operations
// on it. Each operation reaches the host's service manager, makes its one call and throws
// CSrvBrowserException (the code and its ErrorText) when that fails; the snapshot changes
// only when QueryConfig or QueryStatus runs again.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ServiceManager.h"

namespace services {

class CSrvItem {
public:
    // Reads the configuration and the status (either may throw).
    CSrvItem(platform::ServiceConnector& connector, std::string host, std::string serviceName);
    // From a listing that has read both already.
    CSrvItem(platform::ServiceConnector& connector, std::string host, platform::ServiceEntry entry);

    void QueryConfig();
    void QueryStatus();
    // Both in one read of the service.
    void Refresh();
    void Start(const std::vector<std::string>& arguments);
    void Stop();
    void Pause();
    void Continue();
    // Writes start type, desktop interaction and account (with the password where the
    // backend keeps one, which is then forgotten here).
    void ChangeConfig();
    // What the host's manager supports (passwords, desktop interaction, start parameters).
    platform::ServiceManagerTraits Traits();

    const std::string& Host() const noexcept { return m_host; }
    const std::string& ServiceName() const noexcept { return m_name; }
    const std::string& DisplayName() const noexcept { return m_config.displayName; }
    const std::string& Account() const noexcept { return m_config.account; }
    const platform::ServiceConfig& Config() const noexcept { return m_config; }
    const platform::ServiceStatus& Status() const noexcept { return m_status; }
    std::uint32_t CurrentState() const noexcept { return m_status.currentState; }
    std::uint32_t ControlsAccepted() const noexcept { return m_status.controlsAccepted; }
    std::uint32_t StartType() const noexcept { return m_config.startType; }
    std::uint32_t ServiceType() const noexcept { return m_config.serviceType; }
    int Interactive() const noexcept { return (m_config.serviceType & platform::kServiceInteractive) != 0 ? 1 : 0; }
    std::string_view StateText() const noexcept;
    std::string_view StartTypeText() const noexcept;

    void SetStartType(std::uint32_t startType) noexcept { m_config.startType = startType; }
    void SetAccount(std::string account) { m_config.account = std::move(account); }
    void SetPassword(std::string password) { m_password = std::move(password); }
    void SetInteractive(int interactive) noexcept;

private:
    // The host's manager for one operation (the connector keeps the connection).
    std::shared_ptr<platform::ServiceManager> Manager();

    platform::ServiceConnector& m_connector;
    std::string m_host;
    std::string m_name;
    platform::ServiceConfig m_config;
    platform::ServiceStatus m_status;
    std::string m_password;
};

}  // namespace services
