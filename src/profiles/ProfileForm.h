// What the "Profile settings" sheet edits: the "File settings" page (name, server, queue
// length, trace file, limits) and the "Filters" page (the protocol checks and the filter
// type), with the field checks made when the sheet closes and the transfer into a profile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "profiles/CSessionProfile.h"
#include "profiles/CaptureLayers.h"

namespace profiles {

inline constexpr std::size_t kMaxNameLength = 27;
inline constexpr std::size_t kMaxServerLength = 120;
inline constexpr std::size_t kMaxTraceFileLength = 250;
inline constexpr std::int64_t kMinQueueLength = 1;
inline constexpr std::int64_t kMaxQueueLength = 3000;
inline constexpr std::int64_t kMaxLimitValue = 2147483647;
inline constexpr std::int64_t kNewProfileQueueLength = 1000;

inline constexpr std::array<std::string_view, 4> kLimitModeTexts = {"No limits", "Limit file size",
                                                                    "Limit tracing time", "Limit file size and time"};
inline constexpr std::array<std::string_view, 3> kSizeUnitTexts = {"Bytes", "Kilobytes", "Megabytes"};
inline constexpr std::array<std::string_view, 3> kTimeUnitTexts = {"Hours", "Minutes", "Seconds"};
inline constexpr std::array<std::string_view, 2> kFilterTypeTexts = {"Included", "Excluded"};

// Which limit controls a limit mode enables: none for "No limits", the size pair for "Limit
// file size", the time pair for "Limit tracing time", all four for anything else.
struct LimitControls {
    bool size = false;
    bool time = false;
};
LimitControls LimitControlsFor(std::int32_t limitMode) noexcept;

enum class FormField {
    Name,
    Server,
    QueueLength,
    TraceFile,
    LimitMode,
    SizeValue,
    SizeUnit,
    TimeValue,
    TimeUnit,
    FilterType
};

struct FormProblem {
    FormField field;
    std::string message;
};

struct ProfileForm {
    // File settings. An empty trace file keeps the profile's own (a new profile's default,
    // or a stored profile's, even an empty one).
    std::string name;
    std::string serverAddress;
    std::int64_t queueLength = kNewProfileQueueLength;
    std::string traceFile;
    std::int32_t limitMode = CSessionProfile::kNoLimits;
    std::int32_t sizeUnit = CSessionProfile::kBytes;
    std::int64_t sizeValue = 0;
    std::int64_t timeValue = 0;
    std::int32_t timeUnit = CSessionProfile::kHours;
    // Filters: nothing checked and no filter type for a new profile.
    LayerChecks layers{};
    std::int32_t filterType = -1;

    // The sheet of an existing profile.
    static ProfileForm From(const CSessionProfile& profile, std::string name);
    // A whole number as typed into a numbers-only field; nothing for anything else.
    static std::optional<std::int64_t> ParseNumber(std::string_view text);

    // The name the profile is listed and stored under: the server address when no name is given.
    const std::string& EntryName() const noexcept { return name.empty() ? serverAddress : name; }
    // The first field that fails its check, with the message the user is shown.
    std::optional<FormProblem> Validate() const;
    // Limit mode, then the size and time pairs only when the mode uses them (else 0), the
    // filter, queue length, server address and trace file. The name is not part of a profile.
    // A form made From a profile and not changed leaves that profile's stored form as it is.
    void TransferTo(CSessionProfile& profile) const;

    bool operator==(const ProfileForm&) const = default;
};

}  // namespace profiles
