// The stations that statistics count: Ethernet, IPv4 and IPv6 addresses, with a TCP or UDP
// port where the table is one of ports. Plain values, hashed and compared bytewise.
#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace stats {

// The five kinds of conversation and endpoint table, by the name the command line gives them.
enum class TableKind : std::uint8_t { Ethernet, IPv4, IPv6, TCP, UDP };
inline constexpr std::size_t kTableKinds = 5;
inline constexpr TableKind kAllTableKinds[kTableKinds] = {TableKind::Ethernet, TableKind::IPv4, TableKind::IPv6,
                                                          TableKind::TCP, TableKind::UDP};

// "eth", "ip", "ipv6", "tcp", "udp": the command line's words.
const char* KindWord(TableKind kind) noexcept;
// "Ethernet", "IPv4", "IPv6", "TCP", "UDP": titles.
const char* KindTitle(TableKind kind) noexcept;
bool HasPorts(TableKind kind) noexcept;

struct Address {
    std::array<std::uint8_t, 16> bytes{};
    std::uint8_t size = 0;  // 6, 4 or 16
    std::uint16_t port = 0;

    static Address Mac(std::span<const std::uint8_t, 6> mac) noexcept;
    static Address V4(std::uint32_t hostOrder, std::uint16_t port = 0) noexcept;
    static Address V6(std::span<const std::uint8_t, 16> address, std::uint16_t port = 0) noexcept;

    auto operator<=>(const Address&) const = default;
    std::span<const std::uint8_t> Bytes() const noexcept { return {bytes.data(), size}; }
};

struct AddressHash {
    std::size_t operator()(const Address& a) const noexcept;
};

// "00:a0:c9:ab:cd:ef", "192.168.1.2", "2001:db8::1"; the port is not part of it.
std::string AddressText(const Address& a);

}  // namespace stats
