// Station values and their texts.
#include "stats/Address.h"

#include <algorithm>
#include <cstring>

#include "decode/TextAppend.h"

namespace stats {

namespace {

struct KindNames {
    const char* word;
    const char* title;
};
constexpr KindNames kKindNames[kTableKinds] = {
    {"eth", "Ethernet"}, {"ip", "IPv4"}, {"ipv6", "IPv6"}, {"tcp", "TCP"}, {"udp", "UDP"}};

std::uint64_t Word(const std::array<std::uint8_t, 16>& bytes, std::size_t at) noexcept {
    std::uint64_t w = 0;
    std::memcpy(&w, bytes.data() + at, sizeof w);
    return w;
}

}  // namespace

const char* KindWord(TableKind kind) noexcept { return kKindNames[static_cast<std::size_t>(kind)].word; }
const char* KindTitle(TableKind kind) noexcept { return kKindNames[static_cast<std::size_t>(kind)].title; }
bool HasPorts(TableKind kind) noexcept { return kind == TableKind::TCP || kind == TableKind::UDP; }

Address Address::Mac(std::span<const std::uint8_t, 6> mac) noexcept {
    Address a;
    std::copy(mac.begin(), mac.end(), a.bytes.begin());
    a.size = 6;
    return a;
}

Address Address::V4(std::uint32_t hostOrder, std::uint16_t port) noexcept {
    Address a;
    for (std::size_t i = 0; i < 4; ++i) a.bytes[i] = static_cast<std::uint8_t>(hostOrder >> (24 - 8 * i));
    a.size = 4;
    a.port = port;
    return a;
}

Address Address::V6(std::span<const std::uint8_t, 16> address, std::uint16_t port) noexcept {
    Address a;
    std::copy(address.begin(), address.end(), a.bytes.begin());
    a.size = 16;
    a.port = port;
    return a;
}

std::size_t AddressHash::operator()(const Address& a) const noexcept {
    // Two 64-bit halves mixed with the port and size (splitmix64's finaliser).
    std::uint64_t h = Word(a.bytes, 0) * 0x9E3779B97F4A7C15ULL ^ Word(a.bytes, 8);
    h ^= (std::uint64_t{a.port} << 8 | a.size) * 0xC2B2AE3D27D4EB4FULL;
    h ^= h >> 31;
    h *= 0xBF58476D1CE4E5B9ULL;
    h ^= h >> 29;
    return static_cast<std::size_t>(h);
}

std::string AddressText(const Address& a) {
    std::string text;
    if (a.size == 4) {
        decode::AppendDotted(text, std::uint32_t{a.bytes[0]} << 24 | std::uint32_t{a.bytes[1]} << 16 |
                                       std::uint32_t{a.bytes[2]} << 8 | a.bytes[3]);
    } else if (a.size == 16) {
        decode::AppendIPv6(text, std::span<const std::uint8_t, 16>(a.bytes));
    } else {
        static constexpr char kHex[] = "0123456789abcdef";
        for (std::size_t i = 0; i < a.size; ++i) {
            if (i > 0) text.push_back(':');
            text.push_back(kHex[a.bytes[i] >> 4]);
            text.push_back(kHex[a.bytes[i] & 15]);
        }
    }
    return text;
}

}  // namespace stats
