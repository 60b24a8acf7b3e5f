// A service's snapshot and the operations on it.
#include "services/CSrvItem.h"

#include <utility>

#include "services/ServiceTexts.h"

namespace services {
namespace {

void ThrowIfFailed(const platform::ServiceOutcome& outcome) {
    if (!outcome) throw ToException(outcome.Err());
}

}  // namespace

CSrvItem::CSrvItem(platform::ServiceConnector& connector, std::string host, std::string serviceName)
    : m_connector(connector),
      m_host(std::move(host)),
      m_name(std::move(serviceName)) {
    QueryConfig();
    QueryStatus();
}

CSrvItem::CSrvItem(platform::ServiceConnector& connector, std::string host, platform::ServiceEntry entry)
    : m_connector(connector),
      m_host(std::move(host)),
      m_name(std::move(entry.name)),
      m_config(std::move(entry.config)),
      m_status(std::move(entry.status)) {}

std::shared_ptr<platform::ServiceManager> CSrvItem::Manager() {
    auto manager = m_connector.Connect(m_host);
    if (!manager) throw ToException(manager.Err());
    return std::move(manager.Value());
}

void CSrvItem::QueryConfig() {
    auto entry = Manager()->Query(m_name);
    if (!entry) throw ToException(entry.Err());
    m_config = std::move(entry.Value().config);
}

void CSrvItem::QueryStatus() {
    auto entry = Manager()->Query(m_name);
    if (!entry) throw ToException(entry.Err());
    m_status = std::move(entry.Value().status);
}

void CSrvItem::Refresh() {
    auto entry = Manager()->Query(m_name);
    if (!entry) throw ToException(entry.Err());
    m_config = std::move(entry.Value().config);
    m_status = std::move(entry.Value().status);
}

void CSrvItem::Start(const std::vector<std::string>& arguments) { ThrowIfFailed(Manager()->Start(m_name, arguments)); }

void CSrvItem::Stop() { ThrowIfFailed(Manager()->Control(m_name, platform::ServiceControl::Stop)); }

void CSrvItem::Pause() { ThrowIfFailed(Manager()->Control(m_name, platform::ServiceControl::Pause)); }

void CSrvItem::Continue() { ThrowIfFailed(Manager()->Control(m_name, platform::ServiceControl::Continue)); }

void CSrvItem::ChangeConfig() {
    platform::ServiceConfigChange change;
    change.serviceType = m_config.serviceType;
    change.startType = m_config.startType;
    change.account = m_config.account;
    change.password = std::exchange(m_password, std::string());
    ThrowIfFailed(Manager()->ChangeConfig(m_name, change));
}

platform::ServiceManagerTraits CSrvItem::Traits() { return Manager()->Traits(); }

std::string_view CSrvItem::StateText() const noexcept { return services::StateText(m_status.currentState); }
std::string_view CSrvItem::StartTypeText() const noexcept { return services::StartTypeText(m_config.startType); }

void CSrvItem::SetInteractive(int interactive) noexcept {
    if (interactive == 1)
        m_config.serviceType |= platform::kServiceInteractive;
    else
        m_config.serviceType &= ~platform::kServiceInteractive;
}

}  // namespace services
