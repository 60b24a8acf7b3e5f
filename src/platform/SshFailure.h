// What an ssh that could not log in, or could not open a channel, tells the operator: a
// sentence for each cause (a host key that is not known or has changed, a key refused, a
// host out of reach, a program missing) followed by ssh's own last lines.
#pragma once

#include <string>
#include <string_view>

namespace platform {

enum class SshFailureKind { HostKeyUnknown, HostKeyChanged, KeyRefused, Unreachable, ChannelRefused, Other };

// The cause ssh's standard error names.
SshFailureKind ClassifySshFailure(std::string_view sshErrors);

// The sentence for the cause, then ssh's last two lines that say anything (the warning
// banners of a changed host key left out). where names the destination, port the channel's
// port on the host's loopback.
std::string DescribeSshFailure(std::string_view where, std::string_view sshErrors, unsigned port = 0);

}  // namespace platform
