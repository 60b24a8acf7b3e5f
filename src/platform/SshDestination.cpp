// ssh:// servers and service hosts, taken apart and checked.
#include "platform/SshDestination.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "platform/HostNames.h"

namespace platform {
namespace {

ServiceError Invalid(std::string_view server, std::string_view why) {
    return MakeServiceError(kErrorInvalidParameter,
                            "The server \"" + std::string(server.substr(0, 130)) + "\" " + std::string(why));
}

// The one check a host name passes before it reaches ssh, as for every other host the
// service layer names.
std::optional<ServiceError> CheckSshHost(std::string_view host) { return CheckHostName(host); }

// A login name: what account names are made of. Anything else could be read by a shell
// where ~/.ssh/config hands it on (%r in a ProxyCommand).
bool IsUserName(std::string_view user) {
    return !user.empty() && user.front() != '-' && std::all_of(user.begin(), user.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return std::isalnum(u) != 0 || c == '.' || c == '_' || c == '-' || c == '$' || c == '@';
    });
}

// An IPv6 address as it stands between brackets, with a zone after "%".
bool IsBracketedAddress(std::string_view text) {
    return !text.empty() && text.find(':') != std::string_view::npos &&
           std::all_of(text.begin(), text.end(), [](char c) {
               const auto u = static_cast<unsigned char>(c);
               return std::isalnum(u) != 0 || c == ':' || c == '.' || c == '%';
           });
}

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
    return out;
}

}  // namespace

std::optional<std::uint16_t> PortNumber(std::string_view text) {
    unsigned value = 0;
    const auto* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value == 0 || value > 65535) return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

std::string SshDestination::Url() const {
    std::string url(kSshScheme);
    if (!user.empty()) url += user + '@';
    url += host.find(':') != std::string::npos ? '[' + host + ']' : host;
    if (port != 0) url += ':' + std::to_string(port);
    return url;
}

std::vector<std::string> SshDestination::Arguments() const {
    std::vector<std::string> args;
    if (port != 0) {
        args.emplace_back("-p");
        args.push_back(std::to_string(port));
    }
    args.emplace_back("--");
    args.push_back(user.empty() ? host : user + '@' + host);
    return args;
}

bool IsSshServer(std::string_view server) noexcept {
    return server.size() >= kSshScheme.size() &&
           std::equal(kSshScheme.begin(), kSshScheme.end(), server.begin(),
                      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

ServiceResult<SshDestination> ParseSshServer(std::string_view server) {
    if (!IsSshServer(server)) return Invalid(server, "does not begin with ssh://.");
    std::string_view rest = server.substr(kSshScheme.size());
    if (rest.empty()) return Invalid(server, "names no host.");
    if (rest.find_first_of("/?#") != std::string_view::npos)
        return Invalid(server, "has a path after the host; ssh://[user@]host[:port] takes none.");
    SshDestination d;
    if (const auto at = rest.rfind('@'); at != std::string_view::npos) {
        if (!IsUserName(rest.substr(0, at)))
            return Invalid(server, "names a user that cannot be an account (letters, digits and . _ - $ @ only).");
        d.user = std::string(rest.substr(0, at));
        rest.remove_prefix(at + 1);
    }
    std::string_view host = rest;
    std::string_view port;
    if (rest.starts_with('[')) {
        const auto close = rest.find(']');
        if (close == std::string_view::npos || !IsBracketedAddress(rest.substr(1, close - 1)))
            return Invalid(server, "has no IPv6 address between its brackets.");
        host = rest.substr(1, close - 1);
        rest.remove_prefix(close + 1);
        if (!rest.empty() && !rest.starts_with(':')) return Invalid(server, "has text after its address.");
        if (!rest.empty()) port = rest.substr(1);
        if (rest == ":") return Invalid(server, "has no port after its colon.");
    } else if (const auto colon = rest.find(':'); colon != std::string_view::npos) {
        host = rest.substr(0, colon);
        port = rest.substr(colon + 1);
        if (port.empty()) return Invalid(server, "has no port after its colon.");
    }
    if (!port.empty()) {
        const auto number = PortNumber(port);
        if (!number) return Invalid(server, "has a port that is not a number from 1 to 65535.");
        d.port = *number;
    }
    if (host.empty()) return Invalid(server, "names no host.");
    if (host.find_first_of("[]@") != std::string_view::npos) return Invalid(server, "has a host that is not a name.");
    if (auto bad = CheckSshHost(host)) return *bad;
    d.host = Lower(host);
    return d;
}

ServiceResult<SshDestination> SshTarget(std::string_view host) {
    if (IsSshServer(host)) return ParseSshServer(host);
    if (auto bad = CheckSshHost(host)) return *bad;
    SshDestination d;
    if (const auto at = host.rfind('@'); at != std::string_view::npos) {
        d.user = std::string(host.substr(0, at));
        host.remove_prefix(at + 1);
    }
    d.host = std::string(host);
    return d;
}

}  // namespace platform
