// Base of the transport decoders: port names and the port-pair dispatch to the application
// decoders.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "decode/CPktParser.h"
#include "tables/LookupTables.h"

namespace decode {

// One test of the port dispatch: which port of the pair is compared, and the code it picks.
struct PortRule {
    enum class Side { Either, Source, Destination };
    Side side;
    std::uint16_t port;
    ProtoCode code;
};

class CPktTransportParser : public CPktParser {
public:
    // The tests are made in this order and the first that holds decides, so a segment from
    // port 21 to port 80 is an FTP reply and one between 23 and 53 is Telnet.
    static constexpr std::array<PortRule, 11> kPortRules{{
        {PortRule::Side::Either, 23, PROTO_TELNET},
        {PortRule::Side::Source, 21, PROTO_FTP_REPLY},
        {PortRule::Side::Destination, 21, PROTO_FTP_COMMAND},
        {PortRule::Side::Source, 25, PROTO_SMTP_REPLY},
        {PortRule::Side::Destination, 25, PROTO_SMTP_COMMAND},
        {PortRule::Side::Source, 110, PROTO_POP3_REPLY},
        {PortRule::Side::Destination, 110, PROTO_POP3_COMMAND},
        {PortRule::Side::Either, 53, PROTO_DNS},
        {PortRule::Side::Either, 137, PROTO_NBNS},
        {PortRule::Side::Source, 80, PROTO_HTTP_RESPONSE},
        {PortRule::Side::Destination, 80, PROTO_HTTP_REQUEST},
    }};

    explicit CPktTransportParser(const tables::CPktWPortNums& ports) : m_ports(&ports) {}

    const std::string& TcpPortDescription(std::uint16_t port) const noexcept;  // "Unassigned" if none
    const std::string& UdpPortDescription(std::uint16_t port) const noexcept;
    const std::string& UdpPortKeyword(std::uint16_t port) const noexcept;
    // The application decoder for a port pair; PROTO_NONE when no rule holds.
    static ProtoCode PortsToCode(std::uint16_t source, std::uint16_t destination) noexcept;

private:
    const tables::CPktWPortNums* m_ports;
};

}  // namespace decode
