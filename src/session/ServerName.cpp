// Server names: normal form and the --live argument.
#include "session/ServerName.h"

#include <algorithm>
#include <cctype>

#include "platform/SshDestination.h"

namespace session {
namespace {

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
    return out;
}

// Where the mapper's port would begin: after the last colon that is not part of the host
// (an IPv6 address between brackets) and, in the ssh:// form, not ssh's own port.
std::size_t EpmColon(std::string_view text) {
    const bool ssh = platform::IsSshServer(text);
    const std::size_t hostStart = ssh ? text.find('@', platform::kSshScheme.size()) : std::string_view::npos;
    std::size_t from = ssh ? (hostStart == std::string_view::npos ? platform::kSshScheme.size() : hostStart + 1) : 0;
    if (const auto close = text.find(']', from); close != std::string_view::npos) from = close;
    const std::size_t first = text.find(':', from);
    if (!ssh || first == std::string_view::npos) return first;
    return text.find(':', first + 1);
}

}  // namespace

std::string NormalizeServer(std::string_view server) {
    const auto first = server.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    server = server.substr(first, server.find_last_not_of(' ') - first + 1);
    if (platform::IsSshServer(server)) {
        if (const auto ssh = platform::ParseSshServer(server)) return ssh.Value().Url();
    }
    return Lower(server);
}

std::optional<LiveServer> ParseLiveServer(std::string_view text) {
    LiveServer live;
    const std::size_t colon = EpmColon(text);
    live.server = std::string(text.substr(0, colon));
    if (colon != std::string_view::npos) {
        const auto port = platform::PortNumber(text.substr(colon + 1));
        if (!port) return std::nullopt;
        live.epmPort = *port;
    }
    if (live.server.empty() || live.server == platform::kSshScheme) return std::nullopt;
    return live;
}

}  // namespace session
