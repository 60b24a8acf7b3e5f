// The names of ICMP (RFC 792 and its successors) and ICMPv6 (RFC 4443, 4861, 2710, 3810)
// message types and codes.
#pragma once

#include <cstdint>

namespace decode {

// The message type's name ("Echo request"); nullptr for a type without one.
const char* IcmpTypeName(bool v6, std::uint8_t type) noexcept;
// The code's name for the type ("Port unreachable"); nullptr when the type names no codes
// or not this one.
const char* IcmpCodeName(bool v6, std::uint8_t type, std::uint8_t code) noexcept;

}  // namespace decode
