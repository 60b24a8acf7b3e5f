// Protocol names by code.
#include "decode/ProtocolNames.h"

#include <utility>

namespace decode {

namespace {

constexpr std::pair<ProtoCode, std::string_view> kNames[] = {
    {PROTO_ETHERNET, "Ethernet"},
    {PROTO_VLAN, "VLAN"},
    {PROTO_LINUX_SLL, "Linux cooked"},
    {PROTO_LINUX_SLL2, "Linux cooked v2"},
    {PROTO_ARP, "ARP"},
    {PROTO_IPV4, "IPv4"},
    {PROTO_IPV6, "IPv6"},
    {PROTO_ICMP, "ICMP"},
    {PROTO_TCP, "TCP"},
    {PROTO_UDP, "UDP"},
    {PROTO_DNS, "DNS"},
    {PROTO_NBNS, "NBNS"},
    {PROTO_FTP_COMMAND, "FTP"},
    {PROTO_SMTP_COMMAND, "SMTP"},
    {PROTO_TELNET, "Telnet"},
    {PROTO_POP3_COMMAND, "POP3"},
    {PROTO_HTTP_REQUEST, "HTTP"},
};

}  // namespace

ProtoCode ProtocolOf(ProtoCode code) noexcept {
    switch (code) {
        case PROTO_FTP_REPLY:
            return PROTO_FTP_COMMAND;
        case PROTO_SMTP_REPLY:
            return PROTO_SMTP_COMMAND;
        case PROTO_POP3_REPLY:
            return PROTO_POP3_COMMAND;
        case PROTO_HTTP_RESPONSE:
            return PROTO_HTTP_REQUEST;
        default:
            return code;
    }
}

std::string_view ProtocolName(ProtoCode code, ProtoCode below) noexcept {
    code = ProtocolOf(code);
    if (code == PROTO_ICMP && below == PROTO_IPV6) return "ICMPv6";
    for (const auto& [c, name] : kNames)
        if (c == code) return name;
    return {};
}

}  // namespace decode
