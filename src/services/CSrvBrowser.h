// The services of one host, and the checks a capture window makes before it binds to an
// agent. Browse, ServiceExists and IsServiceRunning catch the service layer's failures,
// tell the user (through the injected prompt) and return the error code; 0 is success.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/UserPrompt.h"
#include "platform/ServiceManager.h"
#include "services/CSrvItem.h"

namespace services {

class CSrvBrowser {
public:
    CSrvBrowser(platform::ServiceConnector& connector, core::UserPrompt& prompt);

    void Clear() noexcept { m_items.clear(); }
    // Fills the items with every service of the host, in the manager's order.
    std::uint32_t Browse(const std::string& machineName);
    std::uint32_t ServiceExists(const std::string& host, std::string_view serviceName);
    // 0 when it runs; kErrorServiceNotActive, without a message, when it does not.
    std::uint32_t IsServiceRunning(const std::string& host, std::string_view serviceName);
    // Whether the host's manager can be reached and knows the service: its own name, or
    // the error, and nothing is shown.
    platform::ServiceResult<std::string> Probe(const std::string& host, std::string_view serviceName);

    // Two backslashes and the host; "localhost" and "127.0.0.1" (exactly) become this
    // machine's name, which is never cut.
    static std::string MakeMachineName(const std::string& host);

    const std::vector<std::unique_ptr<CSrvItem>>& Items() const noexcept { return m_items; }
    platform::ServiceConnector& Connector() noexcept { return m_connector; }
    core::UserPrompt& Prompt() noexcept { return m_prompt; }

private:
    std::uint32_t Fail(const platform::ServiceError& error);

    platform::ServiceConnector& m_connector;
    core::UserPrompt& m_prompt;
    std::vector<std::unique_ptr<CSrvItem>> m_items;
};

}  // namespace services
