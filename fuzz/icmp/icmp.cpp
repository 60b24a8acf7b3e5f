// Fuzzes ICMP and ICMPv6 through the chain: the first input byte picks IPv4 (protocol 1) or
// IPv6 (next header 58); the rest is the message, wrapped in a raw IP header whose lengths
// are right, so error messages, their quoted headers and neighbour discovery options all see
// the input.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "../dns/ChainFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::span<const std::uint8_t> input(data, size);
    auto message = input.subspan(1);
    if (message.size() > appfuzz::kMaxPayload) message = message.first(appfuzz::kMaxPayload);
    const bool v6 = (input[0] & 1U) != 0;
    std::vector<std::uint8_t> frame;
    if (v6) {
        frame = {0x60, 0, 0, 0};
        appfuzz::PushBe16(frame, static_cast<unsigned>(message.size()));
        frame.insert(frame.end(), {58, 255});
        for (const std::uint8_t last : {0x20, 0x53}) {
            frame.insert(frame.end(), {0x20, 0x01, 0x0d, 0xb8, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, last});
        }
    } else {
        frame = {0x45, 0};
        appfuzz::PushBe16(frame, static_cast<unsigned>(20 + message.size()));
        frame.insert(frame.end(), {0, 1, 0, 0, 64, 1, 0, 0, 192, 168, 1, 1, 192, 168, 1, 20});
    }
    frame.insert(frame.end(), message.begin(), message.end());
    appfuzz::RunFrame(v6 ? decode::PROTO_IPV6 : decode::PROTO_IPV4, frame);
    return 0;
}
