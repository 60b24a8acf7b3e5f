// The service administration of one process: how the service managers of hosts are reached,
// where account lists come from, and the host the Services dialog shows, kept between
// openings, with the hosts used before it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ServiceManager.h"
#include "services/AccountSource.h"

namespace services {

class ServicesContext {
public:
    static constexpr std::size_t kRecentHosts = 10;

    ServicesContext(std::unique_ptr<platform::ServiceConnector> connector, AccountSourceFactory accountSources);

    platform::ServiceConnector& Connector() noexcept { return *m_connector; }
    std::vector<std::unique_ptr<AccountSource>> AccountSources(const std::string& host) const;

    // Empty until the Services dialog first opens.
    const std::string& CurrentHost() const noexcept { return m_currentHost; }
    // Makes host the current one and the first of the recent hosts.
    void SetCurrentHost(const std::string& host);
    const std::vector<std::string>& RecentHosts() const noexcept { return m_recentHosts; }

private:
    std::unique_ptr<platform::ServiceConnector> m_connector;
    AccountSourceFactory m_accountSources;
    std::string m_currentHost;
    std::vector<std::string> m_recentHosts;
};

using ServicesContextMaker = std::function<std::unique_ptr<ServicesContext>()>;

// Offers another kind of service administration beside "system" and "user", before the
// first ProcessServices (programs built for a build tree offer the simulated table).
void OfferServicesKind(std::string kind, ServicesContextMaker make);

// What PALOMET_SERVICES asks for: "system" (each host's system manager; also an empty
// kind), "user" (the calling user's own manager, as systemctl --user) or a kind offered;
// nullptr for any other.
std::unique_ptr<ServicesContext> MakeServicesContext(std::string_view kind);
// What to tell the user about a kind that is not offered.
std::string UnknownServicesKindText(std::string_view kind);

// This process's own, made from PALOMET_SERVICES on first use; a kind not offered is said
// on stderr and the system's manager used.
ServicesContext& ProcessServices();

}  // namespace services
