// The session opening's agent check.
#include "services/BrowserAgentCheck.h"

#include <cstdlib>

namespace services {
namespace {

class OwnBrowserAgentCheck final : public AgentServiceCheck {
public:
    OwnBrowserAgentCheck(platform::ServiceConnector& connector, core::UserPrompt& prompt)
        : m_browser(connector, prompt),
          m_check(m_browser, AgentCheckPolicyFromEnvironment()) {}
    std::uint32_t ServiceExists(const std::string& host, std::string_view service) override {
        return m_check.ServiceExists(host, service);
    }
    std::uint32_t IsServiceRunning(const std::string& host, std::string_view service) override {
        return m_check.IsServiceRunning(host, service);
    }

private:
    CSrvBrowser m_browser;
    BrowserAgentCheck m_check;
};

}  // namespace

AgentCheckPolicy AgentCheckPolicyFromEnvironment() {
    const char* value = std::getenv("PALOMET_SERVICE_CHECK");
    const std::string_view v = value != nullptr ? value : "";
    if (v == "off") return AgentCheckPolicy::Off;
    if (v == "required") return AgentCheckPolicy::Required;
    return AgentCheckPolicy::WhenInstalled;
}

BrowserAgentCheck::BrowserAgentCheck(CSrvBrowser& browser, AgentCheckPolicy policy)
    : m_browser(browser),
      m_policy(policy) {}

bool BrowserAgentCheck::Unchecked(const std::string& host, std::string_view service) {
    if (m_policy == AgentCheckPolicy::Off) return true;
    if (m_policy == AgentCheckPolicy::Required) return false;
    if (!m_decided || m_decidedHost != host) {
        m_unchecked = !m_browser.Probe(host, service).Ok();
        m_decidedHost = host;
        m_decided = true;
    }
    return m_unchecked;
}

std::uint32_t BrowserAgentCheck::ServiceExists(const std::string& host, std::string_view service) {
    m_decided = false;  // each opening looks at the host afresh
    return Unchecked(host, service) ? 0 : m_browser.ServiceExists(host, service);
}

std::uint32_t BrowserAgentCheck::IsServiceRunning(const std::string& host, std::string_view service) {
    return Unchecked(host, service) ? 0 : m_browser.IsServiceRunning(host, service);
}

std::unique_ptr<AgentServiceCheck> MakeAgentServiceCheck(ServicesContext& context, core::UserPrompt& prompt) {
    return std::make_unique<OwnBrowserAgentCheck>(context.Connector(), prompt);
}

}  // namespace services
