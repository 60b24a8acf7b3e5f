// The demonstration table on the simulated service manager.
#include "services/simulated/SimulatedServices.h"

#include <string>
#include <vector>

#include "platform/simulated/SimulatedServiceManager.h"
#include "services/AccountSource.h"

namespace services {

std::unique_ptr<ServicesContext> MakeSimulatedServicesContext() {
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

void OfferSimulatedServices() { OfferServicesKind("simulated", MakeSimulatedServicesContext); }

}  // namespace services
