// The agent's own endpoint mapper: ept_map for the capture interface answers with one
// ncacn_ip_tcp tower naming the agent's TCP port and the address the client reached.
#pragma once

#include <cstdint>
#include <span>

#include "RpcInterface.h"

namespace agentd {

class EndpointMapper final : public RpcInterface {
public:
    // agentPort: where the capture interface listens; address: IPv4 in host order.
    EndpointMapper(std::uint16_t agentPort, std::uint32_t address) : m_port(agentPort), m_address(address) {}

    const rpc::SyntaxId& Syntax() const noexcept override;
    RpcReply Call(std::uint16_t opnum, std::span<const std::uint8_t> stub, bool bigEndian) override;

private:
    RpcReply Map(std::span<const std::uint8_t> stub, bool bigEndian) const;

    std::uint16_t m_port;
    std::uint32_t m_address;
};

}  // namespace agentd
