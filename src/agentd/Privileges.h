// Least privilege for the agent: started as root, it becomes an ordinary user that keeps
// only CAP_NET_RAW, which opening capture handles needs (promiscuous mode included).
#pragma once

#include <string>

#include "core/Result.h"

namespace agentd {

bool RunningAsRoot() noexcept;
// systemd names every unit it starts in INVOCATION_ID; the unit then sets user and capabilities.
bool StartedBySystemd() noexcept;

// Becomes user (its primary group, no supplementary groups) with CAP_NET_RAW alone in the
// permitted and effective sets and in the bounding set. Call it before any thread starts:
// capabilities belong to threads, and later threads copy the caller's.
core::Result<core::Done> DropPrivileges(const std::string& user);

}  // namespace agentd
