// The session profile's defaults, stored form and limits.
#include "profiles/CSessionProfile.h"

#include <cstdlib>
#include <string>
#include <string_view>

namespace profiles {

namespace {

// The sheet stores a unit and a value only for a limit its mode turns on, and 0 for the other
// one. A stored limit its mode leaves off would still limit a capture, and would silently
// vanish when the profile is next saved from the sheet, so it is refused with the rest.
void CheckLimits(const CSessionProfile& p) {
    const auto refuse = [](std::string_view field, std::int32_t value, const std::string& why) {
        throw core::ArchiveException(core::ArchiveException::Cause::BadValue,
                                     std::string(field) + ": " + std::to_string(value) + " " + why);
    };
    if (p.limitMode < CSessionProfile::kNoLimits || p.limitMode > CSessionProfile::kBothLimits)
        refuse("limit mode", p.limitMode, "is not one of 0 to 3");
    const auto check = [&](std::string_view limit, std::int32_t unit, std::int32_t lastUnit, std::int32_t value,
                           std::int32_t modeBit) {
        const std::string unitField = std::string(limit) + " unit";
        const std::string valueField = std::string(limit) + " value";
        if (unit < 0 || unit > lastUnit) refuse(unitField, unit, "is not a unit");
        if (value < 0) refuse(valueField, value, "is negative");
        if ((p.limitMode & modeBit) != 0) return;
        const std::string unused = "with limit mode " + std::to_string(p.limitMode) + ", which does not use it";
        if (unit != 0) refuse(unitField, unit, unused);
        if (value != 0) refuse(valueField, value, unused);
    };
    check("size", p.sizeUnit, CSessionProfile::kMegabytes, p.sizeValue, CSessionProfile::kSizeLimit);
    check("time", p.timeUnit, CSessionProfile::kSeconds, p.timeValue, CSessionProfile::kTimeLimit);
}

}  // namespace

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
    const auto string = [&ar] { return ar.ReadString(); };
    const auto number = [&ar] { return ar.ReadI32(); };
    loaded.serverAddress = core::ReadField("server address", string);
    loaded.traceFile = core::ReadField("trace file", string);
    loaded.serverQueueLength = core::ReadField("server queue length", number);
    loaded.limitMode = core::ReadField("limit mode", number);
    loaded.sizeUnit = core::ReadField("size unit", number);
    loaded.timeUnit = core::ReadField("time unit", number);
    loaded.timeValue = core::ReadField("time value", number);
    loaded.sizeValue = core::ReadField("size value", number);
    core::ReadField("capture filter", [&] { core::LoadNested(ar, loaded.captureConfiguration); });
    CheckLimits(loaded);
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
