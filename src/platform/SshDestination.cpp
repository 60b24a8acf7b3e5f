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
    args.push_back(Destination());
    return args;
}

bool IsSshServer(std::string_view server) noexcept {
    return server.size() >= kSshScheme.size() &&
           std::equal(kSshScheme.begin(), kSshScheme.end(), server.begin(),
                      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

ServiceResult<SshDestination> ParseSshServer(std::string_view server) {
    if (!IsSshServer(server)) return Invalid(server, "does not begin with ssh://.");
    const std::string_view rest = server.substr(kSshScheme.size());
    if (rest.find_first_of("/?#") != std::string_view::npos)
        return Invalid(server, "has a path after the host; ssh://[user@]host[:port] takes none.");
    // The port follows the host, or the bracket that closes an IPv6 address.
    const std::size_t at = rest.find('@');
    const std::size_t hostStart = at == std::string_view::npos ? 0 : at + 1;
    std::size_t colon = rest.find(':', hostStart);
    if (rest.substr(hostStart).starts_with('[')) {
        const std::size_t close = rest.find(']', hostStart);
        if (close == std::string_view::npos) return Invalid(server, "has no \"]\" after its IPv6 address.");
        if (close + 1 < rest.size() && rest[close + 1] != ':') return Invalid(server, "has text after its address.");
        colon = close + 1 < rest.size() ? close + 1 : std::string_view::npos;
    }
    SshDestination d;
    if (colon != std::string_view::npos) {
        const auto port = PortNumber(rest.substr(colon + 1));
        if (!port) return Invalid(server, "has a port that is not a number from 1 to 65535.");
        d.port = *port;
    }
    const std::string_view name = rest.substr(0, colon);
    if (name.size() <= hostStart) return Invalid(server, "names no host.");
    auto parsed = ParseHostName(name);
    if (!parsed) return parsed.Err();
    d.user = std::move(parsed.Value().user);
    d.host = Lower(parsed.Value().host);
    return d;
}

ServiceResult<SshDestination> SshTarget(std::string_view host) {
    if (IsSshServer(host)) return ParseSshServer(host);
    auto parsed = ParseHostName(host);
    if (!parsed) return parsed.Err();
    return SshDestination(std::move(parsed).Value());
}

}  // namespace platform
