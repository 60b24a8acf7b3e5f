// Fuzz target: the head of a pcap or pcapng file, read for its timestamp precision.
#include <cstddef>
#include <cstdint>
#include <span>

#include "capture/PcapPrecision.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    (void)capture::HasSubMicrosecondStamps(std::span<const std::uint8_t>(data, size));
    return 0;
}
