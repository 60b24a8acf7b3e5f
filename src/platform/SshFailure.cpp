// Reading ssh's complaints.
#include "platform/SshFailure.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace platform {
namespace {

constexpr std::size_t kLinesShown = 2;

// The first pattern found decides; the changed key comes before the unknown one, since
// both end in "Host key verification failed.".
constexpr std::array<std::pair<std::string_view, SshFailureKind>, 7> kPatterns = {{
    {"REMOTE HOST IDENTIFICATION HAS CHANGED", SshFailureKind::HostKeyChanged},
    {"has changed and you have requested strict checking", SshFailureKind::HostKeyChanged},
    {"Host key verification failed", SshFailureKind::HostKeyUnknown},
    {"Permission denied", SshFailureKind::KeyRefused},
    {"Too many authentication failures", SshFailureKind::KeyRefused},
    {"forwarding request failed", SshFailureKind::ChannelRefused},
    {"open failed", SshFailureKind::ChannelRefused},
}};

bool SaysNothing(std::string_view line) { return line.find_first_not_of("@ \t\r") == std::string_view::npos; }

std::vector<std::string_view> LastLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
        if (!SaysNothing(line)) lines.push_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    if (lines.size() > kLinesShown) lines.erase(lines.begin(), lines.end() - kLinesShown);
    return lines;
}

}  // namespace

SshFailureKind ClassifySshFailure(std::string_view sshErrors) {
    for (const auto& [pattern, kind] : kPatterns)
        if (sshErrors.find(pattern) != std::string_view::npos) return kind;
    if (sshErrors.find("connect to host") != std::string_view::npos ||
        sshErrors.find("Could not resolve hostname") != std::string_view::npos ||
        sshErrors.find("Connection closed") != std::string_view::npos ||
        sshErrors.find("Connection timed out") != std::string_view::npos ||
        sshErrors.find("kex_exchange_identification") != std::string_view::npos)
        return SshFailureKind::Unreachable;
    return SshFailureKind::Other;
}

std::string DescribeSshFailure(std::string_view where, std::string_view sshErrors, unsigned port) {
    const std::string host(where);
    std::string text;
    switch (ClassifySshFailure(sshErrors)) {
        case SshFailureKind::HostKeyUnknown:
            text = "The host key of " + host +
                   " is not in known_hosts, and an unknown key is never accepted: log in with ssh once (or use "
                   "ssh-keyscan) to check the key and keep it, then try again.";
            break;
        case SshFailureKind::HostKeyChanged:
            text = "The host key of " + host +
                   " is not the one known_hosts holds: the host may have been reinstalled, or someone is in the "
                   "middle. Nothing was sent to it.";
            break;
        case SshFailureKind::KeyRefused:
            text = host + " refused every key offered for the login (a password is never asked).";
            break;
        case SshFailureKind::Unreachable:
            text = host + " cannot be reached over SSH.";
            break;
        case SshFailureKind::ChannelRefused:
            text = host + " opened no channel to port " + std::to_string(port) +
                   " of its loopback: nothing listens there, or its sshd forwards no TCP (AllowTcpForwarding).";
            break;
        case SshFailureKind::Other:
            text = "The SSH connection to " + host + " failed.";
            break;
    }
    for (const auto line : LastLines(sshErrors)) text += "\n" + std::string(line);
    return text;
}

}  // namespace platform
