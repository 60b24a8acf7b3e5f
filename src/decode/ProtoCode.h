// Protocol codes name the layer a decoder hands on to; they grow with the layer, which is
// what the summary level limits rely on: every data-link code is below 10, every network
// code below 13, every transport code below 16, every application code below 40.
//
//  code  name                  handed on by                                   decoder
//     4  PROTO_ETHERNET        the frame record's link code                   CPktEthernetParser
//     5  PROTO_VLAN            Ethernet type 0x8100, 0x88A8 or 0x9100          CPktVLANParser
//     6  PROTO_LINUX_SLL       the link code of a Linux cooked capture        CPktLinuxSLLParser
//     7  PROTO_LINUX_SLL2      the link code of a Linux cooked capture, v2    CPktLinuxSLLParser
//    10  PROTO_ARP             Ethernet type 0x0806                           CPktARPParser
//    11  PROTO_IPV4            Ethernet type 0x0800; raw IPv4 link code       CPktIPv4Parser
//    12  PROTO_IPV6            Ethernet type 0x86DD; raw IPv6 link code       CPktIPv6Parser
//    13  PROTO_ICMP            IPv4 protocol 1, IPv6 next header 58           CPktICMPParser
//    14  PROTO_TCP             IP protocol 6                                  CPktTCPParser
//    15  PROTO_UDP             IP protocol 17                                 CPktUDPParser
//    22  PROTO_DNS             port 53                                        CPktDNSParser
//    23  PROTO_NBNS            port 137                                       CPktNBNSParser
//    24  PROTO_FTP_COMMAND     destination port 21                            CPktFTPCommandParser
//    25  PROTO_FTP_REPLY       source port 21                                 CPktFTPReplyParser
//    31  PROTO_SMTP_COMMAND    destination port 25                            CPktSMTPCommandParser
//    32  PROTO_SMTP_REPLY      source port 25                                 CPktSMTPReplyParser
//    35  PROTO_TELNET          port 23                                        CPktTelnetParser
//    36  PROTO_POP3_COMMAND    destination port 110                           CPktPOP3CommandParser
//    37  PROTO_POP3_REPLY      source port 110                                CPktPOP3ReplyParser
//    38  PROTO_HTTP_REQUEST    destination port 80                            CPktHTTPRequestParser
//    39  PROTO_HTTP_RESPONSE   source port 80                                 CPktHTTPResponseParser
//    41  PROTO_NONE            no further layer, or a header that cannot be read
//
// ICMP and ICMPv6 share 13, the one free transport code: the decoder tells them apart by
// the protocol number the IP layer leaves in the context. Codes added after the first set
// took the free numbers inside their level, so no level changes meaning.
#pragma once

#include <cstdint>

#include "capture/LinkCodes.h"

namespace decode {

using ProtoCode = std::uint32_t;

inline constexpr ProtoCode PROTO_ETHERNET = capture::kLinkEthernet;
inline constexpr ProtoCode PROTO_VLAN = 5;
inline constexpr ProtoCode PROTO_LINUX_SLL = capture::kLinkLinuxSll;
inline constexpr ProtoCode PROTO_LINUX_SLL2 = capture::kLinkLinuxSll2;
inline constexpr ProtoCode PROTO_ARP = 10;
inline constexpr ProtoCode PROTO_IPV4 = capture::kLinkIpv4;
inline constexpr ProtoCode PROTO_IPV6 = capture::kLinkIpv6;
inline constexpr ProtoCode PROTO_ICMP = 13;
inline constexpr ProtoCode PROTO_TCP = 14;
inline constexpr ProtoCode PROTO_UDP = 15;
inline constexpr ProtoCode PROTO_DNS = 22;
inline constexpr ProtoCode PROTO_NBNS = 23;
inline constexpr ProtoCode PROTO_FTP_COMMAND = 24;
inline constexpr ProtoCode PROTO_FTP_REPLY = 25;
inline constexpr ProtoCode PROTO_SMTP_COMMAND = 31;
inline constexpr ProtoCode PROTO_SMTP_REPLY = 32;
inline constexpr ProtoCode PROTO_TELNET = 35;
inline constexpr ProtoCode PROTO_POP3_COMMAND = 36;
inline constexpr ProtoCode PROTO_POP3_REPLY = 37;
inline constexpr ProtoCode PROTO_HTTP_REQUEST = 38;
inline constexpr ProtoCode PROTO_HTTP_RESPONSE = 39;
inline constexpr ProtoCode PROTO_NONE = 41;
inline constexpr ProtoCode kProtoCodeCount = 42;  // table size for decoders indexed by code

// Summary level limits: a layer is summarised only if its code is below the limit.
inline constexpr std::uint32_t LEVEL_DATALINK = 10;
inline constexpr std::uint32_t LEVEL_NETWORK = 13;
inline constexpr std::uint32_t LEVEL_TRANSPORT = 16;
inline constexpr std::uint32_t LEVEL_APPLICATION = 40;

static_assert(PROTO_LINUX_SLL2 < LEVEL_DATALINK && PROTO_ARP >= LEVEL_DATALINK && PROTO_IPV6 < LEVEL_NETWORK &&
                  PROTO_ICMP >= LEVEL_NETWORK && PROTO_ICMP < PROTO_TCP,
              "each code sits inside its level");

}  // namespace decode
