// Where ssh logs in: a server named "ssh://[user@]host[:port]", or a host as the service
// layer names one ("host", "user@host"). The parts end up on ssh's command line, so each is
// checked before it gets there and the host always follows "--".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ServiceManager.h"

namespace platform {

inline constexpr std::string_view kSshScheme = "ssh://";

struct SshDestination {
    std::string user;        // empty: whatever ssh and ~/.ssh/config choose
    std::string host;        // a name, an alias of ~/.ssh/config or an address (IPv6 without brackets)
    std::uint16_t port = 0;  // 0: whatever ssh and ~/.ssh/config choose

    // "ssh://user@host:port" with only the parts given; the same destination always gives
    // the same text, so it names the one SSH connection to it.
    std::string Url() const;
    // What follows ssh's own options: the port, "--", then "[user@]host".
    std::vector<std::string> Arguments() const;
    bool operator==(const SshDestination&) const = default;
};

// A port number as typed: digits only, 1 to 65535.
std::optional<std::uint16_t> PortNumber(std::string_view text);

// True for a server of the "ssh://" form (the scheme in any letter case).
bool IsSshServer(std::string_view server) noexcept;

// The parts of "ssh://[user@]host[:port]" (an IPv6 host in brackets). kErrorInvalidParameter
// with the reason when it is not of that form or a part cannot be what it stands for.
ServiceResult<SshDestination> ParseSshServer(std::string_view server);

// A host as the service layer takes it: the ssh:// form, or "[user@]host" with no port.
ServiceResult<SshDestination> SshTarget(std::string_view host);

}  // namespace platform
