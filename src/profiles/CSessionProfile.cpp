// The session profile's defaults, stored form and limits.
#include "profiles/CSessionProfile.h"

#include <cstdlib>

namespace profiles {

std::string DefaultTraceFile() {
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data == '/')
        return std::string(data) + "/palomet/capture.tns";
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return std::string(home) + "/.local/share/palomet/capture.tns";
    return "capture.tns";
}

void CSessionProfile::Serialize(core::Archive& ar) {
    if (ar.IsStoring()) {
        ar.WriteString(serverAddress);
        ar.WriteString(traceFile);
        ar.WriteI32(serverQueueLength);
        ar.WriteI32(limitMode);
        ar.WriteI32(sizeUnit);
        ar.WriteI32(timeUnit);
        ar.WriteI32(timeValue);
        ar.WriteI32(sizeValue);
    } else {
        serverAddress = ar.ReadString();
        traceFile = ar.ReadString();
        serverQueueLength = ar.ReadI32();
        limitMode = ar.ReadI32();
        sizeUnit = ar.ReadI32();
        timeUnit = ar.ReadI32();
        timeValue = ar.ReadI32();
        sizeValue = ar.ReadI32();
    }
    captureConfiguration.Serialize(ar);
}

std::uint64_t CSessionProfile::SizeLimitBytes() const noexcept {
    if (sizeValue <= 0) return 0;
    const std::uint64_t value = static_cast<std::uint64_t>(sizeValue);
    switch (sizeUnit) {
    case kKilobytes: return value * 1024;
    case kMegabytes: return value * 1024 * 1024;
    default: return value;
    }
}

std::uint64_t CSessionProfile::TimeLimitSeconds() const noexcept {
    if (timeValue <= 0) return 0;
    const std::uint64_t value = static_cast<std::uint64_t>(timeValue);
    switch (timeUnit) {
    case kHours: return value * 3600;
    case kMinutes: return value * 60;
    default: return value;
    }
}

}  // namespace profiles
