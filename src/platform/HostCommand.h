// Programs run for the service layer with their output captured and a deadline: above all
// ssh to another host, for its account list and its unit drop-in files. Nothing waits for
// ever: a program that overruns its time is killed and reaped.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/HostNames.h"
#include "platform/ServiceManager.h"
#include "platform/SshDestination.h"

namespace platform {

struct ProgramOutput {
    int exitStatus = -1;  // the exit status; 128 + the signal when killed by one
    std::string out;
    std::string err;
};

// Runs argv[0] (found through PATH) with input on its standard input. Fails when it cannot
// be started, overruns the timeout, or writes more than maxOutput bytes.
ServiceResult<ProgramOutput> RunProgram(const std::vector<std::string>& argv, std::string_view input,
                                        std::chrono::milliseconds timeout, std::size_t maxOutput);

// The ssh program: $PALOMET_SSH when set (a wrapper, or a stand-in in tests), else "ssh".
std::string SshProgram();

// ssh's options for unattended use (no password or host-key prompt, a bounded connect),
// then "--" and the host, so that a host name is never read as an option. While the
// process holds a logged-in SSH connection to the destination, the command rides it.
std::vector<std::string> SshArguments(const SshDestination& host);
// The same for a host on the port ssh and ~/.ssh/config choose.
std::vector<std::string> SshArguments(const HostName& host);

// One word for a POSIX shell: the text in single quotes.
std::string ShellQuote(std::string_view text);

// Runs a shell command line on host through ssh. ssh's own failures (its exit status 255:
// host unknown or unreachable, key refused) become kRpcServerUnavailable with ssh's words.
ServiceResult<ProgramOutput> RunOnHost(std::string_view host, const std::string& commandLine, std::string_view input,
                                       std::chrono::milliseconds timeout);

}  // namespace platform
