// Agent call failure texts.
#include "agent/AgentMessages.h"

#include <cstdint>

namespace agent {

std::string AgentCallFailed(std::string_view procedure, rpc::RpcStatus status) {
    // Statuses are shown as the signed long the procedures return.
    return std::string(procedure) + " failed - " + std::to_string(static_cast<std::int32_t>(status)) + "\n";
}

}  // namespace agent
