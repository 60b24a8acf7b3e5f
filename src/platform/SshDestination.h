// Where ssh logs in: a server named "ssh://[user@]host[:port]", or a host as the service
// layer names one ("host", "user@host"). Either passes the one host-name check on its way
// to ssh's command line, and the host always follows "--".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/HostNames.h"
#include "platform/ServiceManager.h"

namespace platform {

inline constexpr std::string_view kSshScheme = "ssh://";

// A checked host, and the port its sshd listens on.
struct SshDestination : HostName {
    SshDestination() = default;
    // A host as ParseHostName left it, on ssh's own port unless one is given.
    SshDestination(HostName name,
                   std::uint16_t sshPort = 0)  // NOLINT(google-explicit-constructor): every checked host is one
        : HostName(std::move(name)),
          port(sshPort) {}

    std::uint16_t port = 0;  // 0: whatever ssh and ~/.ssh/config choose

    // "ssh://user@host:port" with only the parts given; the same destination always gives
    // the same text, so it names the one SSH connection to it.
    std::string Url() const;
    // What follows ssh's own options: the port, "--", then "[user@]host".
    std::vector<std::string> Arguments() const;
    bool operator==(const SshDestination& other) const {
        return user == other.user && host == other.host && port == other.port;
    }
};

// A port number as typed: digits only, 1 to 65535.
std::optional<std::uint16_t> PortNumber(std::string_view text);

// True for a server of the "ssh://" form (the scheme in any letter case).
bool IsSshServer(std::string_view server) noexcept;

// The parts of "ssh://[user@]host[:port]", the host a name, an IPv4 address or an IPv6
// address in brackets, lower-cased. kErrorInvalidParameter with the reason when it is not of
// that form or its user and host do not pass ParseHostName.
ServiceResult<SshDestination> ParseSshServer(std::string_view server);

// A host as the service layer takes it: the ssh:// form, or what ParseHostName takes.
ServiceResult<SshDestination> SshTarget(std::string_view host);

}  // namespace platform
