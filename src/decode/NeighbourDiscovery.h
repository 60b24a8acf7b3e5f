// Neighbour discovery options (RFC 4861 4.6, RFC 8106): type, length in units of 8 bytes,
// value. Link-layer addresses, prefixes, MTU and DNS servers are decoded.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "core/ByteReader.h"
#include "decode/CPktDetailLine.h"
#include "tables/LookupTables.h"

namespace decode {

struct NdOptions {
    std::span<const std::uint8_t> sourceLinkAddress;
    std::span<const std::uint8_t> targetLinkAddress;
    bool fault = false;  // an option of length 0 or past the end: the rest was not read
};

// Reads the options that fill the reader; with a parent line, adds one line per option
// below it (with the prefix) and an error line for a bad length.
NdOptions ReadNdOptions(core::ByteReader options, CPktDetailLine* parent, std::string_view prefix,
                        const tables::CPktEtherNums& names);

}  // namespace decode
