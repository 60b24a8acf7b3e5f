// Fuzzes the DNS decoder through the chain: the first input byte picks UDP or TCP (TCP adds
// the length prefix reading) and the direction; the rest is the message.
#include <cstddef>
#include <cstdint>

#include "ChainFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::span<const std::uint8_t> input(data, size);
    const bool tcp = (input[0] & 0x01U) != 0;
    const bool fromServer = (input[0] & 0x02U) != 0;
    appfuzz::RunThroughChain(input.subspan(1), tcp, fromServer ? 53 : 1029, fromServer ? 1029 : 53);
    return 0;
}
