// The protocol tower of an ncacn_ip_tcp endpoint, as the endpoint mapper stores and
// returns it: floors for the interface, NDR, connection-oriented RPC, TCP port, IP address.
// Floor counts and lengths are little-endian; the port and address are big-endian.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/Result.h"
#include "rpc/Uuid.h"

namespace rpc {

inline constexpr std::uint8_t kFloorUuid = 0x0D;
inline constexpr std::uint8_t kFloorRpcConnectionOriented = 0x0B;
inline constexpr std::uint8_t kFloorTcpPort = 0x07;
inline constexpr std::uint8_t kFloorIpAddress = 0x09;

struct TcpTower {
    SyntaxId interface;
    SyntaxId transfer;
    std::uint16_t port = 0;
    std::uint32_t address = 0;  // IPv4 in host order (0x7F000001 is 127.0.0.1)
};

// The tower octet string (floor count first).
std::vector<std::uint8_t> BuildTower(const TcpTower& tower);
// Parses a tower octet string; an error for anything that is not a well-formed
// ncacn_ip_tcp tower (wrong floors, lengths beyond the bytes).
core::Result<TcpTower> ParseTower(std::span<const std::uint8_t> bytes);

}  // namespace rpc
