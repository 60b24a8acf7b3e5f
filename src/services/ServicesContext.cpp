// The process's service administration state and its backends.
#include "services/ServicesContext.h"

#include <algorithm>
#include <cstdlib>

#include "platform/HostNames.h"
#include "platform/SimulatedServiceManager.h"
#include "platform/SystemdConnector.h"

namespace services {

ServicesContext::ServicesContext(std::unique_ptr<platform::ServiceConnector> connector,
                                 AccountSourceFactory accountSources)
    : m_connector(std::move(connector)),
      m_accountSources(std::move(accountSources)) {}

std::vector<std::unique_ptr<AccountSource>> ServicesContext::AccountSources(const std::string& host) const {
    return m_accountSources ? m_accountSources(host) : std::vector<std::unique_ptr<AccountSource>>();
}

void ServicesContext::SetCurrentHost(const std::string& host) {
    m_currentHost = host;
    m_recentHosts.erase(std::remove(m_recentHosts.begin(), m_recentHosts.end(), host), m_recentHosts.end());
    m_recentHosts.insert(m_recentHosts.begin(), host);
    if (m_recentHosts.size() > kRecentHosts) m_recentHosts.resize(kRecentHosts);
}

std::unique_ptr<ServicesContext> MakeServicesContext(std::string_view kind) {
    if (kind == "simulated") {
        auto connector = std::make_unique<platform::SimulatedConnector>();
        platform::SimulatedHost& local = connector->Host("");
        platform::SimulatedConnector::AddDemoServices(local);
        std::vector<platform::AccountEntry> accounts;
        for (const auto& name : local.Accounts()) accounts.push_back({name, "simulated account", ""});
        return std::make_unique<ServicesContext>(std::move(connector), [accounts](const std::string& host) {
            std::vector<std::unique_ptr<AccountSource>> sources;
            sources.push_back(std::make_unique<ListedAccountSource>(host, accounts));
            return sources;
        });
    }
    const auto scope = kind == "user" ? platform::ServiceScope::User : platform::ServiceScope::System;
    return std::make_unique<ServicesContext>(std::make_unique<platform::SystemdConnector>(scope),
                                             [](const std::string& host) {
                                                 std::vector<std::unique_ptr<AccountSource>> sources;
                                                 sources.push_back(std::make_unique<HostAccountSource>(host));
                                                 return sources;
                                             });
}

ServicesContext& ProcessServices() {
    static const std::unique_ptr<ServicesContext> context = [] {
        const char* kind = std::getenv("PALOMET_SERVICES");
        return MakeServicesContext(kind != nullptr ? kind : "system");
    }();
    return *context;
}

}  // namespace services
