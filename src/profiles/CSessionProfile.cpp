// The session profile's defaults, stored form and limits.
#include "profiles/CSessionProfile.h"

#include <cstdlib>
#include <string_view>

namespace profiles {

std::string DefaultTraceFile() {
    const auto env = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string_view(value != nullptr ? value : "");
    };
    if (const auto data = env("XDG_DATA_HOME"); data.starts_with('/'))
        return std::string(data) + "/palomet/capture.tns";
    if (const auto home = env("HOME"); !home.empty()) return std::string(home) + "/.local/share/palomet/capture.tns";
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
        captureConfiguration.Serialize(ar);
        return;
    }
    // Loaded into a copy: bytes that end early or contradict themselves leave this profile
    // as it was, never half replaced.
    CSessionProfile loaded = *this;
    loaded.serverAddress = ar.ReadString();
    loaded.traceFile = ar.ReadString();
    loaded.serverQueueLength = ar.ReadI32();
    loaded.limitMode = ar.ReadI32();
    loaded.sizeUnit = ar.ReadI32();
    loaded.timeUnit = ar.ReadI32();
    loaded.timeValue = ar.ReadI32();
    loaded.sizeValue = ar.ReadI32();
    const std::size_t filterStart = ar.Position();
    loaded.captureConfiguration.Serialize(ar);
    // A filter of another schema is read no further than its schema word.
    if (ar.Position() - filterStart <= sizeof(std::uint32_t))
        throw core::ArchiveException(core::ArchiveException::Cause::BadSchema, "capture filter of an unknown schema");
    const auto inRange = [](std::int32_t v, std::int32_t last) { return v >= 0 && v <= last; };
    if (!inRange(loaded.limitMode, kBothLimits) || !inRange(loaded.sizeUnit, kMegabytes) ||
        !inRange(loaded.timeUnit, kSeconds) || loaded.sizeValue < 0 || loaded.timeValue < 0)
        throw core::ArchiveException(core::ArchiveException::Cause::BadValue, "limit out of range");
    *this = std::move(loaded);
}

std::uint64_t CSessionProfile::SizeLimitBytes() const noexcept {
    if (sizeValue <= 0) return 0;
    const std::uint64_t value = static_cast<std::uint64_t>(sizeValue);
    switch (sizeUnit) {
        case kKilobytes:
            return value * 1024;
        case kMegabytes:
            return value * 1024 * 1024;
        default:
            return value;
    }
}

std::uint64_t CSessionProfile::TimeLimitSeconds() const noexcept {
    if (timeValue <= 0) return 0;
    const std::uint64_t value = static_cast<std::uint64_t>(timeValue);
    switch (timeUnit) {
        case kHours:
            return value * 3600;
        case kMinutes:
            return value * 60;
        default:
            return value;
    }
}

}  // namespace profiles
