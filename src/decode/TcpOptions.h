// TCP options (RFC 9293 3.2) in the detail tree: kinds named through the tcp-options table,
// maximum segment size, window scale, SACK permitted, SACK blocks and timestamps decoded.
#pragma once

#include <cstdint>
#include <span>

#include "decode/CPktDetailLine.h"
#include "tables/LookupTables.h"

namespace decode {

// Adds an " Options = N bytes" line below parent (N the header length minus 20) with one
// line per option read from options, the option bytes the frame holds (fewer than N when
// the frame ends inside the header). Malformed lengths end the reading with an error line;
// nothing past the options span is read.
void AddTcpOptionLines(CPktDetailLine& parent, std::span<const std::uint8_t> options, std::size_t declared,
                       const tables::CPktTCPNums& table);

}  // namespace decode
