// The words of agent call failures, the same for every caller: the procedure's name, then
// " failed - " and the status in decimal, with the line feed that is part of the text.
#pragma once

#include <string>
#include <string_view>

#include "rpc/RpcStatus.h"

namespace session {

std::string AgentCallFailed(std::string_view procedure, rpc::RpcStatus status);

}  // namespace session
