// The agent check of the session opening, made through a CSrvBrowser. Which hosts are
// checked is a policy: an agent is often started by hand (a developer's loopback agent, a
// host where nobody installed the unit, a host without ssh access), and failing those
// openings for want of a service would break them. So by default the check is made only
// where the host's service manager can be reached and knows the agent's service; there a
// missing or stopped agent is reported as usual. PALOMET_SERVICE_CHECK chooses otherwise.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "services/AgentServiceCheck.h"
#include "services/CSrvBrowser.h"
#include "services/ServicesContext.h"

namespace services {

enum class AgentCheckPolicy {
    Off,            // never checked: every agent counts as present and running
    WhenInstalled,  // checked where the host's service manager knows the service (the default)
    Required,       // always checked: a host without the service fails the opening
};

// PALOMET_SERVICE_CHECK: "off", "installed" or "required"; anything else the default.
AgentCheckPolicy AgentCheckPolicyFromEnvironment();

class BrowserAgentCheck final : public AgentServiceCheck {
public:
    BrowserAgentCheck(CSrvBrowser& browser, AgentCheckPolicy policy);
    std::uint32_t ServiceExists(const std::string& host, std::string_view service) override;
    std::uint32_t IsServiceRunning(const std::string& host, std::string_view service) override;

private:
    // True when the policy leaves this host unchecked; decided once per opening.
    bool Unchecked(const std::string& host, std::string_view service);

    CSrvBrowser& m_browser;
    AgentCheckPolicy m_policy;
    bool m_decided = false;
    bool m_unchecked = false;
    std::string m_decidedHost;
};

// The check a workbench gives its capture windows: this process's way to the hosts'
// service managers (ProcessServices()), messages through prompt, the policy from
// PALOMET_SERVICE_CHECK. The browser it checks with is its own.
std::unique_ptr<AgentServiceCheck> MakeAgentServiceCheck(ServicesContext& context, core::UserPrompt& prompt);

}  // namespace services
