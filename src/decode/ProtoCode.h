// Protocol codes name the layer a decoder hands on to; they grow with the layer, which is
// what the summary level limits rely on.
#pragma once

#include <cstdint>

namespace decode {

using ProtoCode = std::uint32_t;

inline constexpr ProtoCode PROTO_ETHERNET = 4;
inline constexpr ProtoCode PROTO_IPV4 = 11;
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

}  // namespace decode
