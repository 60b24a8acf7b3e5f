// Endpoint mapper lookup (ept_map, opnum 3): which TCP port serves an interface on a host.
// The NDR bodies are here for both ends, so a stand-in mapper can answer with them.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/Result.h"
#include "platform/StreamDialer.h"
#include "rpc/RpcStatus.h"
#include "rpc/Tower.h"

namespace rpc {

inline constexpr std::uint32_t kEptMaxTowers = 4;

struct EptMapRequest {
    std::vector<std::uint8_t> tower;  // the map tower's octet string
    std::uint32_t maxTowers = 0;
};

struct EptMapReply {
    std::vector<std::vector<std::uint8_t>> towers;  // octet strings, null pointers skipped
    std::uint32_t status = 0;
};

// The request as a Windows client sends it: nil object UUID, the interface's tower with
// port 0 and address 0.0.0.0, a null entry handle, room for kEptMaxTowers towers.
std::vector<std::uint8_t> EncodeEptMapRequest(const SyntaxId& interface);
core::Result<EptMapRequest> DecodeEptMapRequest(std::span<const std::uint8_t> stub, bool bigEndian);
std::vector<std::uint8_t> EncodeEptMapReply(const std::vector<std::vector<std::uint8_t>>& towers,
                                            std::uint32_t maxTowers, std::uint32_t status);
core::Result<EptMapReply> DecodeEptMapReply(std::span<const std::uint8_t> stub, bool bigEndian);

// Asks the mapper on host:epmPort for the interface's TCP port; 1753 when it has none.
RpcStatus LookupEndpoint(std::uint32_t host, std::uint16_t epmPort, const SyntaxId& interface,
                         platform::Deadline deadline, const platform::ManualResetEvent* abort, std::uint16_t& port);
// The same through whatever reaches the host (a channel of an SSH connection).
RpcStatus LookupEndpoint(platform::StreamDialer& host, std::uint16_t epmPort, const SyntaxId& interface,
                         platform::Deadline deadline, const platform::ManualResetEvent* abort, std::uint16_t& port);

}  // namespace rpc
