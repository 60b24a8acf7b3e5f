// What one layer tells the layers above it during one chain run over one frame.
#pragma once

#include <cstdint>

#include "decode/ProtoCode.h"
#include "tables/CPktEtherAddr.h"

namespace decode {

struct CPktParseContext {
    ProtoCode previousCode = PROTO_NONE;  // code of the layer just decoded
    std::uint32_t ipPayloadLength = 0;    // IPv4 total length minus header length
    // The total length was 0 (the sender's network card was to fill it in), so the payload
    // length above is what the frame holds after the header, and no checksum can be verified.
    bool ipLengthFromCapture = false;
    std::uint32_t ipDestination = 0;      // host byte order; detail chain only
    std::uint32_t ipSource = 0;           // host byte order; detail chain only
    tables::CPktEtherAddr sourceMac;      // detail chain only
    tables::CPktEtherAddr destinationMac; // detail chain only
};

}  // namespace decode
