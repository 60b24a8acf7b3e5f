// The sheet's values: built from a profile, checked as the framework checks dialog fields,
// and moved into a profile.
#include "profiles/ProfileForm.h"

#include <algorithm>

#include "platform/SshDestination.h"

namespace profiles {

namespace {

std::string TooLong(std::size_t limit) { return "Please enter no more than " + std::to_string(limit) + " characters."; }

std::string OutOfRange(std::int64_t low, std::int64_t high) {
    return "Please enter an integer between " + std::to_string(low) + " and " + std::to_string(high) + ".";
}

bool InRange(std::int64_t v, std::int64_t low, std::int64_t high) { return v >= low && v <= high; }

// The combo box index a stored filter type shows as: none for a value it has no entry for.
std::int32_t FilterTypeIndex(std::uint32_t type) {
    return type < kFilterTypeTexts.size() ? static_cast<std::int32_t>(type) : -1;
}

}  // namespace

LimitControls LimitControlsFor(std::int32_t limitMode) noexcept {
    switch (limitMode) {
        case CSessionProfile::kNoLimits:
            return {false, false};
        case CSessionProfile::kSizeLimit:
            return {true, false};
        case CSessionProfile::kTimeLimit:
            return {false, true};
        default:
            return {true, true};
    }
}

ProfileForm ProfileForm::From(const CSessionProfile& profile, std::string name) {
    ProfileForm form;
    form.name = std::move(name);
    form.serverAddress = profile.serverAddress;
    form.queueLength = profile.serverQueueLength;
    form.traceFile = profile.traceFile;
    form.limitMode = profile.limitMode;
    form.sizeUnit = profile.sizeUnit;
    form.sizeValue = profile.sizeValue;
    form.timeValue = profile.timeValue;
    form.timeUnit = profile.timeUnit;
    for (std::size_t i = 0; i < kCaptureLayers.size(); ++i)
        form.layers[i] = profile.captureConfiguration.*kCaptureLayers[i].flag != 0;
    form.filterType = FilterTypeIndex(profile.captureConfiguration.filterType);
    return form;
}

std::optional<std::int64_t> ProfileForm::ParseNumber(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    const bool negative = !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    // Anything past the largest 32-bit value is out of range whatever its length: stop there
    // rather than overflow.
    constexpr std::int64_t kCap = std::int64_t{1} << 40;
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = std::min(kCap, value * 10 + (c - '0'));
    }
    return negative ? -value : value;
}

std::optional<FormProblem> ProfileForm::Validate() const {
    const LimitControls limits = LimitControlsFor(limitMode);
    if (name.size() > kMaxNameLength) return FormProblem{FormField::Name, TooLong(kMaxNameLength)};
    if (serverAddress.size() > kMaxServerLength) return FormProblem{FormField::Server, TooLong(kMaxServerLength)};
    // An ssh:// server that cannot be one is told now, not at the first capture.
    if (platform::IsSshServer(serverAddress)) {
        if (const auto ssh = platform::ParseSshServer(serverAddress); !ssh)
            return FormProblem{FormField::Server, ssh.Err().message};
    }
    if (!InRange(queueLength, kMinQueueLength, kMaxQueueLength))
        return FormProblem{FormField::QueueLength, OutOfRange(kMinQueueLength, kMaxQueueLength)};
    if (traceFile.size() > kMaxTraceFileLength) return FormProblem{FormField::TraceFile, TooLong(kMaxTraceFileLength)};
    if (!InRange(limitMode, CSessionProfile::kNoLimits, CSessionProfile::kBothLimits))
        return FormProblem{FormField::LimitMode, "Please select a trace file constraint."};
    if (!InRange(sizeValue, 0, kMaxLimitValue)) return FormProblem{FormField::SizeValue, OutOfRange(0, kMaxLimitValue)};
    if (limits.size && !InRange(sizeUnit, CSessionProfile::kBytes, CSessionProfile::kMegabytes))
        return FormProblem{FormField::SizeUnit, "Please select a size unit."};
    if (!InRange(timeValue, 0, kMaxLimitValue)) return FormProblem{FormField::TimeValue, OutOfRange(0, kMaxLimitValue)};
    if (limits.time && !InRange(timeUnit, CSessionProfile::kHours, CSessionProfile::kSeconds))
        return FormProblem{FormField::TimeUnit, "Please select a time unit."};
    if (!InRange(filterType, -1, static_cast<std::int64_t>(kFilterTypeTexts.size()) - 1))
        return FormProblem{FormField::FilterType, "Please select a filter type."};
    return std::nullopt;
}

void ProfileForm::TransferTo(CSessionProfile& profile) const {
    const LimitControls limits = LimitControlsFor(limitMode);
    profile.limitMode = limitMode;
    profile.sizeUnit = limits.size ? sizeUnit : 0;
    profile.sizeValue = limits.size ? static_cast<std::int32_t>(sizeValue) : 0;
    profile.timeUnit = limits.time ? timeUnit : 0;
    profile.timeValue = limits.time ? static_cast<std::int32_t>(timeValue) : 0;
    // A check box or the filter type is written only when the page shows it changed: a stored
    // flag of another non-zero number, or a filter type the combo box has no entry for, stays
    // as it was stored when only some other setting is edited.
    capture::CPktSnapConf& filter = profile.captureConfiguration;
    for (std::size_t i = 0; i < kCaptureLayers.size(); ++i) {
        std::uint32_t& flag = filter.*kCaptureLayers[i].flag;
        if ((flag != 0) != layers[i]) flag = layers[i] ? 1 : 0;
    }
    // No selection goes to the filter as it is (all ones), which the agent reads as Excluded.
    if (filterType != FilterTypeIndex(filter.filterType)) filter.filterType = static_cast<std::uint32_t>(filterType);
    profile.serverQueueLength = static_cast<std::int32_t>(queueLength);
    profile.serverAddress = serverAddress;
    if (!traceFile.empty()) profile.traceFile = traceFile;
}

}  // namespace profiles
