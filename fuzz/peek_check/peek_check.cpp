// Fuzz target: bytes as an agent's peek result, checked as the capture thread checks it
// before writing; with as many frames already in the file as its first bytes say.
#include <cstddef>
#include <cstdint>
#include <span>

#include "capture/PeekCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    (void)capture::CheckPeekResult(bytes, 0);
    (void)capture::CheckPeekResult(bytes, 0xFFFFFF00u);
    return 0;
}
