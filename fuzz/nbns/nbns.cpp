// Fuzzes the NBNS decoder through the chain: the first input byte picks UDP or TCP; the rest
// is the message, sent between ports 137 and 137.
#include <cstddef>
#include <cstdint>

#include "../dns/ChainFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::span<const std::uint8_t> input(data, size);
    appfuzz::RunThroughChain(input.subspan(1), (input[0] & 0x01U) != 0, 137, 137);
    return 0;
}
