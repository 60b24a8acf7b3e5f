// What opening a capture session asks of the service layer before it binds to an agent:
// does the agent's service exist on the host, and does it run. The service-control layer
// answers through the host's service manager; hosts whose agent is not run as a service
// are served by AssumeAgentRunning.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ErrorCodes.h"

namespace services {

// The agent's service name; service names are matched without regard to letter case.
inline constexpr std::string_view kAgentServiceName = "PalometSrv";

class AgentServiceCheck {
public:
    virtual ~AgentServiceCheck() = default;
    // 0 when the service exists; otherwise the error code, after the user was told why.
    virtual std::uint32_t ServiceExists(const std::string& host, std::string_view service) = 0;
    // 0 when it runs; platform::kErrorServiceNotActive, without a message, when it does not;
    // any other code after the user was told why.
    virtual std::uint32_t IsServiceRunning(const std::string& host, std::string_view service) = 0;
};

// Reports every agent present and running, so the opening goes straight to the RPC steps
// (an agent started by hand, or a host whose service manager cannot be reached).
class AssumeAgentRunning final : public AgentServiceCheck {
public:
    std::uint32_t ServiceExists(const std::string&, std::string_view) override { return 0; }
    std::uint32_t IsServiceRunning(const std::string&, std::string_view) override { return 0; }
};

}  // namespace services
