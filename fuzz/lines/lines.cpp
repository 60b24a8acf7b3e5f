// Fuzzes the text decoders (HTTP, FTP, SMTP, POP3, both directions) through the chain: the
// first input byte picks the service port and direction; the rest is the TCP payload.
#include <array>
#include <cstddef>
#include <cstdint>

#include "../dns/ChainFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static constexpr std::array<std::uint16_t, 4> kPorts = {80, 21, 25, 110};
    if (size < 1) return 0;
    const std::span<const std::uint8_t> input(data, size);
    const std::uint16_t port = kPorts[input[0] & 0x03U];
    const bool fromServer = (input[0] & 0x04U) != 0;
    appfuzz::RunThroughChain(input.subspan(1), true, fromServer ? port : 1040, fromServer ? 1040 : port);
    return 0;
}
