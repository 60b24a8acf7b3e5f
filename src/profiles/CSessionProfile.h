// A session profile: everything a capture window needs before it connects (the agent's
// host, the trace file, the limits and the capture filter), or, for a saved trace, only the
// file to open.
#pragma once

#include <cstdint>
#include <string>

#include "capture/CPktSnapConf.h"
#include "core/Archive.h"

namespace profiles {

// Where a new profile writes its trace: capture.tns under the user's data directory
// ($XDG_DATA_HOME/palomet, else ~/.local/share/palomet).
std::string DefaultTraceFile();

class CSessionProfile {
public:
    enum LimitMode : std::int32_t { kNoLimits = 0, kSizeLimit = 1, kTimeLimit = 2, kBothLimits = 3 };
    enum SizeUnit : std::int32_t { kBytes = 0, kKilobytes = 1, kMegabytes = 2 };
    enum TimeUnit : std::int32_t { kHours = 0, kMinutes = 1, kSeconds = 2 };
    static constexpr std::int32_t kDefaultQueueLength = 60;

    CSessionProfile() : traceFile(DefaultTraceFile()) {}

    // Stored form: server address, trace file, queue length, limit mode, size unit, time
    // unit, time value, size value (time before size), then the capture filter. The
    // dump-file flag is never stored. Loading throws core::ArchiveException, naming the
    // field, on short or contradictory bytes (a limit mode, unit or negative limit no dialog
    // writes, a limit its mode leaves off, a filter of another schema) and then leaves the
    // profile unchanged. What loads stores back to the same bytes.
    void Serialize(core::Archive& ar);

    // The limits in bytes and seconds, 0 when off; widened so that large values never wrap.
    // A negative stored value is no limit.
    std::uint64_t SizeLimitBytes() const noexcept;
    std::uint64_t TimeLimitSeconds() const noexcept;

    // Fields in the record's order.
    std::string serverAddress = "localhost";
    capture::CPktSnapConf captureConfiguration;
    std::int32_t limitMode = kNoLimits;
    std::int32_t sizeUnit = kBytes;
    std::int32_t timeUnit = kHours;
    std::uint32_t dumpFile = 0;  // non-zero: the profile only names a saved trace to open
    std::int32_t sizeValue = 0;
    std::int32_t timeValue = 0;
    std::string traceFile;
    std::int32_t serverQueueLength = kDefaultQueueLength;
};

}  // namespace profiles
