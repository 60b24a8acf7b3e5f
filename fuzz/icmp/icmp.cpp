// Fuzzes ICMP and ICMPv6 through the chain: the first input byte picks IPv4 (protocol 1) or
// IPv6 (next header 58); the rest is the message, wrapped in a raw IP header whose lengths
// are right, so error messages, their quoted headers and neighbour discovery options all see
// the input.
#include <cstddef>
#include <cstdint>

#include "../dns/ChainFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::span<const std::uint8_t> input(data, size);
    auto message = input.subspan(1);
    if (message.size() > appfuzz::kMaxPayload) message = message.first(appfuzz::kMaxPayload);
    const bool v6 = (input[0] & 1U) != 0;
    appfuzz::RunFrame(v6 ? decode::PROTO_IPV6 : decode::PROTO_IPV4, appfuzz::RawIpPacket(v6, v6 ? 58 : 1, message));
    return 0;
}
