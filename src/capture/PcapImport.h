// Builds a trace file from a pcap or pcapng capture of an Ethernet link, a Linux cooked
// capture or raw IP (see PcapLinkTypes.h for how each is stored): one block per
// blockFrames frames, frame numbers from 0, counter frequency 1e6 or 1e9 after the file's
// own timestamp precision, stamp = seconds * frequency + fraction.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/Result.h"

namespace capture {

inline constexpr int kImportPackLevel = 1;

struct PcapImportOptions {
    std::uint32_t blockFrames = 1000;
    // Level 1 compresses a large capture in half the time of level 6 for some 7% more bytes.
    int level = kImportPackLevel;
    // Called after each block with the bytes of the capture read so far and its size.
    std::function<void(std::uint64_t done, std::uint64_t total)> progress;
};

struct PcapImportStats {
    std::uint32_t frames = 0;
    std::uint32_t blocks = 0;
    std::int64_t frequency = 0;
};

// The trace file is written under a temporary name beside out and renamed to out only when
// complete, so a failure leaves nothing new and never touches a file already named out.
core::Result<PcapImportStats> ImportPcap(const std::string& in, const std::string& out,
                                         const PcapImportOptions& options);

}  // namespace capture
