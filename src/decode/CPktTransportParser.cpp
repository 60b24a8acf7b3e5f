// Port lookups, the ordered port dispatch and the TCP pseudo-header checksum.
#include "decode/CPktTransportParser.h"

#include "decode/CPktNetworkParser.h"

namespace decode {

const std::string& CPktTransportParser::TcpPortDescription(std::uint16_t port) const noexcept {
    return m_ports->TcpDescription(port);
}

const std::string& CPktTransportParser::UdpPortDescription(std::uint16_t port) const noexcept {
    return m_ports->UdpDescription(port);
}

const std::string& CPktTransportParser::UdpPortKeyword(std::uint16_t port) const noexcept {
    return m_ports->UdpKeyword(port);
}

ProtoCode CPktTransportParser::PortsToCode(std::uint16_t source, std::uint16_t destination) noexcept {
    for (const PortRule& rule : kPortRules) {
        const bool holds = (rule.side != PortRule::Side::Destination && source == rule.port) ||
                           (rule.side != PortRule::Side::Source && destination == rule.port);
        if (holds) return rule.code;
    }
    return PROTO_NONE;
}

bool CPktTransportParser::TcpChecksumOk(std::uint32_t source, std::uint32_t destination, std::uint32_t tcpLength,
                                        std::span<const std::uint8_t> segment) noexcept {
    constexpr std::uint8_t kProtoTcp = 6;
    // The pseudo-header sums as words: each address in two halves, zero and 6, the length.
    std::uint64_t sum = (source >> 16) + (source & 0xFFFFU) + (destination >> 16) + (destination & 0xFFFFU);
    sum += kProtoTcp;
    sum += tcpLength & 0xFFFFU;
    sum += OnesComplementSum(segment);
    return FoldChecksum(sum) == 0xFFFF;
}

}  // namespace decode
