// Writes the frames of a validated trace file to a pcap file: nanosecond timestamps unless
// the counter frequency is 1e6, in which case microseconds, and the link type of its first
// frame (Ethernet, Linux cooked v1 or v2, raw IP), so an imported capture comes back
// exactly.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "capture/TraceReader.h"
#include "core/Result.h"

namespace capture {

// The longest frame a pcap reader accepts for Ethernet (libpcap refuses any record whose
// captured length is above it, whatever the file's snapshot length says).
inline constexpr std::uint32_t kPcapSnapLength = 262144;

struct PcapExportStats {
    std::uint32_t frames = 0;
    // Frames whose link code no pcap link type holds, or whose link type is not the one of
    // the first frame written (one pcap file has one link type).
    std::uint32_t skipped = 0;
    std::uint32_t cut = 0;  // frames cut to kPcapSnapLength bytes, their wire length kept
    bool nanosecond = false;
    int linkType = 0;  // the pcap link type written (libpcap's DLT_ value)
};

struct PcapExportOptions {
    // Which frames are written; all when empty. A frame left out here is not counted as
    // skipped, and the file takes the link type of the first frame kept.
    std::function<bool(const CPktSnapQue& frame)> keep;
    // Called after each block with the file offset reached and the file's length.
    std::function<void(std::uint64_t done, std::uint64_t total)> progress;
};

// reader must have been validated and not yet moved. The pcap is written under a temporary
// name and renamed to out only when complete; out may not be the trace file itself.
core::Result<PcapExportStats> ExportPcap(TraceReader& reader, const std::string& out,
                                         const PcapExportOptions& options = {});

// Seconds and fraction (in units of 1/precision) of a frame's time. A stamp counted from
// 1970 (as imports write) is used as it is; a stamp from an agent's free-running counter is
// placed after the capture time of the first such frame.
class PcapClock {
public:
    struct Time {
        std::int64_t seconds = 0;
        std::int64_t fraction = 0;
    };
    explicit PcapClock(std::int64_t precision) noexcept : m_precision(precision) {}
    Time Convert(std::uint32_t captureTime, std::int64_t stamp, std::int64_t frequency) noexcept;

private:
    std::int64_t m_precision;
    bool m_anchored = false;
    std::int64_t m_anchorStamp = 0;
    std::int64_t m_anchorFrequency = 0;
    std::uint32_t m_anchorSeconds = 0;
};

}  // namespace capture
