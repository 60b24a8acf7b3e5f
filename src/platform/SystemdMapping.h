// How systemd's words become the service layer's numbers: unit states, unit file states,
// exit results and D-Bus errors. Pure functions, so every rule is tested without systemd.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ServiceManager.h"

namespace platform::systemd {

// ActiveState and FreezerState of a unit, and the type of its queued job ("" when none,
// "unknown" when it went before its type could be read). A job waiting on an inactive unit
// counts as starting (unless it is a stop), a stop job on an active one as stopping.
std::uint32_t StateOf(std::string_view activeState, std::string_view freezerState, std::string_view jobType);

// UnitFileState: enabled 2, masked 4, anything else (disabled, static, indirect...) 3.
std::uint32_t StartTypeOf(std::string_view unitFileState, std::string_view loadState);

// User= and DynamicUser= of a service: no user or root is the system account; a dynamic
// user without a name takes the unit's name, as systemd does.
std::string AccountOf(std::string_view user, bool dynamicUser, std::string_view unitName);

// Why a unit stopped, from its Result, ExecMainCode and ExecMainStatus: "" after success.
std::string ExitDescription(std::string_view result, std::uint32_t execMainCode, std::uint32_t execMainStatus);

// A D-Bus error (its name and message, and the errno sd-bus derives from it) as a service
// error; the message is kept as the backend's own words.
ServiceError ErrorFromBus(std::string_view name, std::string_view message, int errnoValue);

// A failure to reach the manager at all (connect, or the bridge went away).
ServiceError ErrorFromConnect(int errnoValue, std::string_view where);

// Unit names are made of ASCII letters, digits and ":-_.\@"; anything else is refused
// before it reaches a path or a command line.
bool IsUnitName(std::string_view name) noexcept;

}  // namespace platform::systemd
