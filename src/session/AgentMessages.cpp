// Agent call failure texts.
#include "session/AgentMessages.h"

#include <cstdint>

namespace session {

std::string AgentCallFailed(std::string_view procedure, rpc::RpcStatus status) {
    // Statuses are shown as the signed long the procedures return.
    return std::string(procedure) + " failed - " + std::to_string(static_cast<std::int32_t>(status)) + "\n";
}

}  // namespace session
