// Frames for the statistics tests, built byte by byte: Ethernet over IPv4 or IPv6 with a TCP
// or UDP header (or none), stamped a given number of nanoseconds after a fixed start.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "capture/CPktSnapQue.h"

namespace stats::test {

struct FrameRecipe {
    std::string macSource = "02:00:00:00:00:01", macDestination = "02:00:00:00:00:02";
    std::string ipSource, ipDestination;  // dotted or IPv6 text; empty: no IP layer (an ARP frame)
    std::uint8_t transport = 17;          // 6 TCP, 17 UDP, 1 ICMP, 58 ICMPv6
    std::uint16_t sourcePort = 1024, destinationPort = 9;
    std::int64_t time = 0;      // ns after the start
    std::uint32_t padding = 0;  // payload bytes after the transport header
    std::uint32_t number = 1;
    std::uint32_t cutTo = 0;  // when set, the frame is cut to this many bytes (its wire length kept)
};

capture::CPktSnapQue BuildFrame(const FrameRecipe& recipe);

// The frequency the frames' stamps count in: nanoseconds since 1970.
inline constexpr std::int64_t kFrequency = 1'000'000'000;

}  // namespace stats::test
