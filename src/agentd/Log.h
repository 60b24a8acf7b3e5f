// The agent's log: one line per event on stderr, which the journal keeps under systemd.
#pragma once

#include <string>

namespace agentd {

void Log(const std::string& line);

}  // namespace agentd
