// The words of the service layer: state and start-type texts, and the text of an error code.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ServiceManager.h"
#include "services/CSrvBrowserException.h"

namespace services {

// 1 "Stopped", 2 "Starting", 3 "Stopping", 4 "Running", 5 "Continuing", 6 "Pausing",
// 7 "Paused", anything else "?".
std::string_view StateText(std::uint32_t state) noexcept;

// 0 "Boot", 1 "System", 2 "Auto", 3 "Manual", 4 "Disabled", anything else "?".
std::string_view StartTypeText(std::uint32_t startType) noexcept;

// Never empty: our text for the codes we know (an unreachable host: the backend's words,
// which name the host, when it has any), else the backend's own message, else "Error N";
// trailing line ends and spaces cut, escaped for display (core::DisplayText); then " (0x%x)".
std::string ErrorText(std::uint32_t code, std::string_view backendMessage = {});

// A platform error as the exception the service layer throws.
CSrvBrowserException ToException(const platform::ServiceError& error);

}  // namespace services
