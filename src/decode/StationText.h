// Hardware addresses as the decoders show them, with the vendor of their first three bytes
// from the Ethernet table: Ethernet, VLAN, ARP, Linux cooked headers and neighbour discovery
// all word them alike.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "decode/CPktDetailLine.h"
#include "tables/LookupTables.h"

namespace decode {

// Every byte as two upper-case hex digits, no separator ("00A0C9ABCDEF").
void AppendHexBytes(std::string& out, std::span<const std::uint8_t> bytes);

// The packet list's form of a station: a known vendor's short name cut or padded to six
// places and the last three bytes ("Intel ABCDEF"); any other address (an unknown vendor,
// or not six bytes long) in hex.
void AppendStation(std::string& out, const tables::CPktEtherNums& names, std::span<const std::uint8_t> address);

// " Vendor = %-6.6s (%.2X%.2X%.2X)" with the short name of the first three bytes, or the
// whole word "Unknown" when no vendor has them.
std::string VendorLine(const tables::CPktEtherNums& names, std::span<const std::uint8_t> address);

// " <label> = <hex>" below parent, with the vendor line below it when the address is six
// bytes long; returns the address line.
CPktDetailLine& AddHardwareAddress(CPktDetailLine& parent, std::string_view prefix, std::string_view label,
                                   const tables::CPktEtherNums& names, std::span<const std::uint8_t> address);

}  // namespace decode
