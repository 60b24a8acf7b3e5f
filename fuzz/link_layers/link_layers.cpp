// Fuzzes the link layers through the chain: the first input byte picks Ethernet, Linux cooked
// v1 or v2 as the frame's link code, the rest is the frame (VLAN tags, ARP and everything
// above them follow from its bytes).
#include <cstddef>
#include <cstdint>

#include "../dns/ChainFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static constexpr std::uint32_t kLinks[] = {decode::PROTO_ETHERNET, decode::PROTO_LINUX_SLL,
                                               decode::PROTO_LINUX_SLL2};
    if (size < 1) return 0;
    const std::span<const std::uint8_t> input(data, size);
    appfuzz::RunFrame(kLinks[input[0] % std::size(kLinks)], input.subspan(1));
    return 0;
}
