// Runs palomet-cli as a shell would, for the tests that check what a user sees.
#pragma once

#include <array>
#include <cstdio>
#include <string>

namespace testutil {

struct CliResult {
    int status = -1;
    std::string out;
};

// stdout of one run, with stderr joined to it unless stderrTo sends it elsewhere ("2>FILE");
// env is put before the program ("TZ=UTC", "VAR='x'").
inline CliResult RunCli(const std::string& env, const std::string& args, const std::string& stderrTo = "2>&1") {
    const std::string cmd = env + " " + std::string(PALOMET_BIN_DIR) + "/palomet-cli " + args + " " + stderrTo;
    CliResult r;
    std::FILE* pipe = ::popen(cmd.c_str(), "r");
    if (pipe == nullptr) return r;
    std::array<char, 4096> buf{};
    std::size_t got = 0;
    while ((got = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) r.out.append(buf.data(), got);
    const int raw = ::pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

}  // namespace testutil
