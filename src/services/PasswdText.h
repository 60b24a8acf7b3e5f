// Reads the passwd lines another host's `getent passwd` printed (name:password:uid:gid:
// gecos:home:shell). It comes from outside, so lines too long or short of fields are
// skipped, and names that could not be an account here are left out.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/HostAccounts.h"

namespace services {

std::vector<platform::AccountEntry> ParsePasswd(std::span<const std::uint8_t> text);

}  // namespace services
