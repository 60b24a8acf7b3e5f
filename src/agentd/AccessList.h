// Which client addresses may connect to the agent: IPv4 networks in CIDR form, or everyone.
// The capture interface carries no authentication, so this list (or a tunnel) is what keeps
// strangers from capturing the host's traffic.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Result.h"

namespace agentd {

inline bool IsLoopback(std::uint32_t address) noexcept { return (address >> 24) == 127; }
// "a.b.c.d:port", addresses in host order.
std::string FormatPeer(std::uint32_t address, std::uint16_t port);

class AccessList {
public:
    struct Network {
        std::uint32_t base = 0;  // host order, host bits cleared
        int prefix = 0;
    };

    // 127.0.0.0/8: the machine itself.
    static AccessList LoopbackOnly();
    // Each item holds one or more comma-separated entries: "10.0.0.0/8", "192.0.2.7" (a /32),
    // or "any" for every address.
    static core::Result<AccessList> Parse(const std::vector<std::string>& items);

    bool Allows(std::uint32_t address) const noexcept;
    bool AllowsEveryone() const noexcept { return m_any; }
    const std::vector<Network>& Networks() const noexcept { return m_networks; }
    // "10.0.0.0/8, 192.0.2.7/32", or "any".
    std::string Describe() const;

private:
    bool m_any = false;
    std::vector<Network> m_networks;
};

}  // namespace agentd
