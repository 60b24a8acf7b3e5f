// Port lookups and the ordered port dispatch.
#include "decode/CPktTransportParser.h"

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

}  // namespace decode
