// Fuzzes the IPv6 header and its extension chain through the chain, as raw IPv6 frames: with
// the first input byte's low bit set, the version and payload length are made right first, so
// most inputs get past the fixed header into the extension headers and the layers above.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "../dns/ChainFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kFixed = 40;
    if (size < 1) return 0;
    const std::span<const std::uint8_t> input(data, size);
    std::vector<std::uint8_t> frame(input.begin() + 1, input.end());
    if ((input[0] & 1U) != 0 && frame.size() >= kFixed && frame.size() - kFixed <= 0xFFFF) {
        frame[0] = static_cast<std::uint8_t>(0x60U | (frame[0] & 0x0FU));
        frame[4] = static_cast<std::uint8_t>((frame.size() - kFixed) >> 8U);
        frame[5] = static_cast<std::uint8_t>(frame.size() - kFixed);
    }
    appfuzz::RunFrame(decode::PROTO_IPV6, frame);
    return 0;
}
