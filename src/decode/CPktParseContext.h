// What one layer tells the layers above it during one chain run over one frame.
#pragma once

#include <array>
#include <cstdint>

#include "decode/ProtoCode.h"
#include "tables/CPktEtherAddr.h"

namespace decode {

struct CPktParseContext {
    ProtoCode previousCode = PROTO_NONE;  // code of the layer just decoded
    // IPv4: total length minus header length; IPv6: payload length minus the extension
    // headers read.
    std::uint32_t ipPayloadLength = 0;
    // The length field was 0 (the sender's network card was to fill it in, or an IPv6
    // jumbogram), so the payload length above is what the frame holds after the header, and
    // no checksum can be verified.
    bool ipLengthFromCapture = false;
    // The datagram is the first fragment of a larger one: the transport checksum covers bytes
    // that are not in this frame.
    bool ipFragment = false;
    std::uint8_t ipVersion = 0;                      // 4 or 6 once an IP layer has been read
    std::uint8_t ipProtocol = 0;                     // the upper-layer protocol the IP layer hands on to
    std::uint8_t ipDepth = 0;                        // IP headers read so far (tunnels nest them)
    std::uint32_t ipDestination = 0;                 // host byte order; detail chain only
    std::uint32_t ipSource = 0;                      // host byte order; detail chain only
    std::array<std::uint8_t, 16> ipv6Source{};       // detail chain only
    std::array<std::uint8_t, 16> ipv6Destination{};  // detail chain only
    std::uint16_t linkType = 0;                      // the Ethernet type that led to the current layer
    std::uint8_t vlanTags = 0;                       // 802.1Q / 802.1ad tags read so far
    tables::CPktEtherAddr sourceMac;                 // detail chain only
    tables::CPktEtherAddr destinationMac;            // detail chain only
};

}  // namespace decode
