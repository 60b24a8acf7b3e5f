// Fuzzes the TCP option list through the chain: the first input byte's low six bits give the
// option bytes (at most 40, padded with zeros to whole words) and its top bit IPv6 instead of
// IPv4; the options come from the input, and what is left is the segment's data to port 80.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "../dns/ChainFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kMaxOptions = 40;
    if (size < 1) return 0;
    const std::span<const std::uint8_t> input(data, size);
    const bool v6 = (input[0] & 0x80U) != 0;
    auto rest = input.subspan(1);
    const std::size_t wanted = std::min<std::size_t>(input[0] & 0x3FU, kMaxOptions);
    const auto options = rest.first(std::min(wanted, rest.size()));
    auto payload = rest.subspan(options.size());
    if (payload.size() > appfuzz::kMaxPayload) payload = payload.first(appfuzz::kMaxPayload);
    const std::size_t optionWords = (options.size() + 3) / 4;

    std::vector<std::uint8_t> segment = {
        0x9c, 0x40, 0x00, 0x50, 0, 0, 0x03, 0xe8, 0, 0, 0, 0, static_cast<std::uint8_t>((5 + optionWords) << 4U),
        0x02, 0xfa, 0xf0, 0,    0, 0, 0};
    segment.insert(segment.end(), options.begin(), options.end());
    segment.resize(20 + optionWords * 4, 0);
    segment.insert(segment.end(), payload.begin(), payload.end());

    appfuzz::RunFrame(v6 ? decode::PROTO_IPV6 : decode::PROTO_IPV4, appfuzz::RawIpPacket(v6, 6, segment));
    return 0;
}
