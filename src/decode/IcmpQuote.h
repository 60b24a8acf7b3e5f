// The datagram an ICMP or ICMPv6 error message quotes (RFC 792, RFC 4443 2.4): as much of
// the offending IP header and the start of its payload as the sender kept, read as a
// header summary and the transport ports, without trusting any of it.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "decode/CPktDetailLine.h"
#include "tables/LookupTables.h"

namespace decode {

// Adds the "Quoted datagram" line and what can be read of the quote below parent.
void AddQuotedDatagram(CPktDetailLine& parent, std::string_view prefix, bool v6, std::span<const std::uint8_t> quoted,
                       const tables::CPktIProtNums& protocols);

}  // namespace decode
