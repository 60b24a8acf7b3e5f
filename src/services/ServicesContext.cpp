// The process's service administration state and its backends.
#include "services/ServicesContext.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <map>

#include "core/DisplayText.h"
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

namespace {

std::map<std::string, ServicesContextMaker, std::less<>>& OfferedKinds() {
    static std::map<std::string, ServicesContextMaker, std::less<>> kinds;
    return kinds;
}

std::unique_ptr<ServicesContext> SystemdContext(platform::ServiceScope scope) {
    return std::make_unique<ServicesContext>(std::make_unique<platform::SystemdConnector>(scope),
                                             [](const std::string& host) {
                                                 std::vector<std::unique_ptr<AccountSource>> sources;
                                                 sources.push_back(std::make_unique<HostAccountSource>(host));
                                                 return sources;
                                             });
}

}  // namespace

void OfferServicesKind(std::string kind, ServicesContextMaker make) {
    OfferedKinds()[std::move(kind)] = std::move(make);
}

std::unique_ptr<ServicesContext> MakeServicesContext(std::string_view kind) {
    if (kind.empty() || kind == "system") return SystemdContext(platform::ServiceScope::System);
    if (kind == "user") return SystemdContext(platform::ServiceScope::User);
    const auto offered = OfferedKinds().find(kind);
    return offered != OfferedKinds().end() ? offered->second() : nullptr;
}

std::string UnknownServicesKindText(std::string_view kind) {
    std::string known = "system, user";
    for (const auto& [name, make] : OfferedKinds()) known += ", " + name;
    return "PALOMET_SERVICES=" + core::DisplayText(kind) + " is not a service manager this program knows (" + known +
           ").";
}

ServicesContext& ProcessServices() {
    static const std::unique_ptr<ServicesContext> context = [] {
        const char* kind = std::getenv("PALOMET_SERVICES");
        auto made = MakeServicesContext(kind != nullptr ? kind : "system");
        if (made) return made;
        std::cerr << UnknownServicesKindText(kind) << " The system's service manager is used.\n";
        return MakeServicesContext("system");
    }();
    return *context;
}

}  // namespace services
