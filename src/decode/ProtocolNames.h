// Short names of the layers the decoders read, as statistics name them: a command and its
// reply (or a request and its response) are one protocol, "FTP"; ICMP over IPv6 is "ICMPv6".
#pragma once

#include <string_view>

#include "decode/ProtoCode.h"

namespace decode {

// The code a protocol is counted under: a reply's or a response's code is that of its
// command or request; every other code is its own.
ProtoCode ProtocolOf(ProtoCode code) noexcept;

// The protocol's name; below is the code of the layer it was read over (ICMP is named after
// its IP version). "" for a code no decoder has.
std::string_view ProtocolName(ProtoCode code, ProtoCode below = PROTO_NONE) noexcept;

}  // namespace decode
