// The IPv6 extension header chain (RFC 8200 4): hop-by-hop and destination options,
// routing, fragment and authentication headers, read one after the other until a header
// that is not an extension names the upper-layer protocol.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ByteReader.h"
#include "decode/CPktDetailLine.h"
#include "tables/LookupTables.h"

namespace decode {

struct Ipv6Chain {
    enum class Fault : std::uint8_t { None, PastEnd, TooMany };
    std::uint8_t protocol = 0;         // the upper-layer protocol, or the header reading stopped at
    std::size_t length = 0;            // bytes of extension headers read
    bool fragment = false;             // a fragment header was read
    std::uint16_t fragmentOffset = 0;  // in bytes
    bool moreFragments = false;
    bool jumbo = false;  // a jumbo payload option gave the length
    std::uint32_t jumboLength = 0;
    Fault fault = Fault::None;
};

// More extension headers than this are not read: a real chain holds a handful, and each
// header costs lines in the detail tree.
inline constexpr std::size_t kMaxIpv6Extensions = 16;

// Reads the chain that starts with header type first at the reader, leaving the reader after
// the last whole header read. With a parent line, each header adds its lines below it
// ("IPv6: " prefix); names come from the protocol table.
Ipv6Chain ReadIpv6Extensions(core::ByteReader& in, std::uint8_t first, CPktDetailLine* parent,
                             const tables::CPktIProtNums& protocols);

}  // namespace decode
