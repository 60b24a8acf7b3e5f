// String bindings: "[object-uuid@]protseq:network-address[endpoint,options]".
#pragma once

#include <string>
#include <string_view>

#include "rpc/RpcStatus.h"

namespace rpc {

inline constexpr std::string_view kProtseqTcp = "ncacn_ip_tcp";

struct StringBinding {
    std::string objectUuid;
    std::string protocolSequence;
    std::string networkAddress;
    std::string endpoint;
    std::string options;
};

// Composes the text; the brackets appear only when there is an endpoint or options.
RpcStatus ComposeStringBinding(const StringBinding& parts, std::string& out);
// Splits the text into its parts; 1700 when it is not a string binding, 1705 for a bad
// object UUID.
RpcStatus ParseStringBinding(std::string_view text, StringBinding& out);

}  // namespace rpc
