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
    std::uint8_t ipVersion = 0;   // 4 or 6 once an IP layer has been read
    std::uint8_t ipProtocol = 0;  // the upper-layer protocol the IP layer hands on to
    std::uint8_t ipDepth = 0;     // IP headers read so far (tunnels nest them)
    // The addresses of the last IP header of each version read (a tunnel's inner one): the
    // transport checksum and the statistics' conversations read them.
    std::uint32_t ipDestination = 0;  // host byte order
    std::uint32_t ipSource = 0;       // host byte order
    std::array<std::uint8_t, 16> ipv6Source{};
    std::array<std::uint8_t, 16> ipv6Destination{};
    std::uint16_t linkType = 0;  // the Ethernet type that led to the current layer
    std::uint8_t vlanTags = 0;   // 802.1Q / 802.1ad tags read so far
    tables::CPktEtherAddr sourceMac;
    tables::CPktEtherAddr destinationMac;
    std::uint16_t sourcePort = 0;
    std::uint16_t destinationPort = 0;
    // Which of the addresses above were read: a header cut short leaves its own unset.
    bool macsRead = false;
    bool ipv4AddressesRead = false;
    bool ipv6AddressesRead = false;
    ProtoCode portsFrom = PROTO_NONE;  // PROTO_TCP or PROTO_UDP once its header was read
};

}  // namespace decode
