// Listing a host's services and the agent checks.
#include "services/CSrvBrowser.h"

#include "platform/HostNames.h"
#include "services/ServiceTexts.h"

namespace services {

CSrvBrowser::CSrvBrowser(platform::ServiceConnector& connector, core::UserPrompt& prompt)
    : m_connector(connector),
      m_prompt(prompt) {}

std::uint32_t CSrvBrowser::Fail(const platform::ServiceError& error) {
    m_prompt.Tell(ErrorText(error.code, error.message));
    return error.code;
}

std::uint32_t CSrvBrowser::Browse(const std::string& machineName) {
    Clear();
    auto manager = m_connector.Connect(machineName);
    if (!manager) return Fail(manager.Err());
    auto entries = manager.Value()->List();
    if (!entries) return Fail(entries.Err());
    m_items.reserve(entries.Value().size());
    for (auto& entry : entries.Value())
        m_items.push_back(std::make_unique<CSrvItem>(m_connector, machineName, std::move(entry)));
    return 0;
}

platform::ServiceResult<std::string> CSrvBrowser::Probe(const std::string& host, std::string_view serviceName) {
    auto manager = m_connector.Connect(MakeMachineName(host));
    if (!manager) return manager.Err();
    return manager.Value()->Find(serviceName);
}

std::uint32_t CSrvBrowser::ServiceExists(const std::string& host, std::string_view serviceName) {
    Clear();
    auto found = Probe(host, serviceName);
    return found ? 0 : Fail(found.Err());
}

std::uint32_t CSrvBrowser::IsServiceRunning(const std::string& host, std::string_view serviceName) {
    Clear();
    const std::string machine = MakeMachineName(host);
    auto manager = m_connector.Connect(machine);
    if (!manager) return Fail(manager.Err());
    auto found = manager.Value()->Find(serviceName);
    if (!found) return Fail(found.Err());
    auto entry = manager.Value()->Query(found.Value());
    if (!entry) return Fail(entry.Err());
    return entry.Value().status.currentState == platform::kStateRunning ? 0 : platform::kErrorServiceNotActive;
}

std::string CSrvBrowser::MakeMachineName(const std::string& host) {
    if (host == "127.0.0.1" || host == "localhost") return "\\\\" + platform::LocalComputerName();
    return "\\\\" + std::string(platform::StripMachinePrefix(host));
}

}  // namespace services
