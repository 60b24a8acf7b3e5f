// The session opening's agent check.
#include "services/BrowserAgentCheck.h"

#include <cstdlib>

namespace services {

AgentCheckPolicy AgentCheckPolicyFromEnvironment() {
    const char* value = std::getenv("PALOMET_SERVICE_CHECK");
    const std::string_view v = value != nullptr ? value : "";
    if (v == "off") return AgentCheckPolicy::Off;
    if (v == "required") return AgentCheckPolicy::Required;
    return AgentCheckPolicy::WhenInstalled;
}

BrowserAgentCheck::BrowserAgentCheck(CSrvBrowser& browser, AgentCheckPolicy policy) : m_browser(browser), m_policy(policy) {}

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

}  // namespace services
