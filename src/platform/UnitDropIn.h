// A drop-in file beside a unit (<dir>/<unit>.d/<file>): the way to change one setting of a
// packaged unit without touching its file. Written on this machine directly, on another
// host through ssh; both replace the file in one rename, so systemd never reads half of it.
#pragma once

#include <string>
#include <string_view>

#include "platform/ServiceManager.h"

namespace platform {

// host: empty for this machine. dir must be absolute; unit a valid unit name.
ServiceOutcome WriteDropIn(std::string_view host, const std::string& dir, const std::string& unit,
                           std::string_view fileName, std::string_view content);

// The drop-in text that makes a service run as account ("" or kSystemAccount: the system's
// own, whatever the packaged unit says).
std::string AccountDropIn(std::string_view account);

}  // namespace platform
