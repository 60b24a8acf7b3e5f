// Host and account names as the operator types them. They end up on an ssh command line and
// in unit files, so anything that could be read as an option, split a line or name a path
// is refused before it gets there.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/ServiceManager.h"

namespace platform {

// This machine's host name (not cut to any length); "localhost" when it has none.
std::string LocalComputerName();

// The host without the two backslashes a machine name may carry in front.
std::string_view StripMachinePrefix(std::string_view host) noexcept;

// Empty, this machine's name (letter case ignored), "localhost" or a loopback address.
bool IsLocalHost(std::string_view host);

// A host as it may reach ssh: who to log in as, and where.
struct HostName {
    std::string user;  // empty: ssh's own choice
    std::string host;  // a name, an IPv4 address, or an IPv6 address without brackets (a zone kept)
    // ssh's destination argument: [user@]host.
    std::string Destination() const { return user.empty() ? host : user + "@" + host; }
};

// The one check for every host that reaches ssh (or a shell, or a unit file): [user@]NAME,
// where NAME is a DNS name or an ssh Host alias (letters, digits, ".", "-", "_"), a dotted
// IPv4 address, or an IPv6 address, bare or in brackets (needed where a ":port" follows),
// with "%zone" for a link-local one. Anything else (shell metacharacters, spaces, control
// characters, a leading "-", more than one "@") is kErrorInvalidParameter with the reason.
ServiceResult<HostName> ParseHostName(std::string_view text);
// The same check, for callers that keep the text as it is.
std::optional<ServiceError> CheckHostName(std::string_view host);

// The same for a user account (after any "HOST\" in front): also no "/", ":" or "\".
std::optional<ServiceError> CheckAccountName(std::string_view account);

// The account a service is to run as, from what was asked: empty for "unchanged",
// kSystemAccount for the system's own (LocalSystem, root, 0), else the account without any
// "HOST\" in front; an error when it cannot be an account.
std::optional<ServiceError> ServiceAccount(std::string_view requested, std::string& account);

// The account part of "HOST\account" or ".\account"; the whole text when it has no "\".
std::string_view AccountWithoutHost(std::string_view account) noexcept;

}  // namespace platform
