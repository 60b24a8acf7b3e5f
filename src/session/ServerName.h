// A session's server as the operator names it: a host name or IPv4 address reached straight
// over TCP, or "ssh://[user@]host[:sshport]" reached through an SSH connection to the host.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace session {

// Spaces trimmed on both sides and the letters lowered, except an ssh:// server's user
// name, whose letter case is the account's.
std::string NormalizeServer(std::string_view server);

// The workbench's --live SERVER[:EPM-PORT]. In the ssh:// form a port right after the host
// is ssh's own, so the mapper's comes second (ssh://host:22:1135); nullopt for an empty
// server or a port that is not one.
struct LiveServer {
    std::string server;
    std::uint16_t epmPort = 0;  // 0: $PALOMET_EPM_PORT, else 135
};
std::optional<LiveServer> ParseLiveServer(std::string_view text);

}  // namespace session
