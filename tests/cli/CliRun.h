// Running palomet-cli as a user does, for the command tests: exit status, stdout and stderr
// apart, local time in UTC, and one scratch folder per test (ctest runs them side by side).
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace clitest {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string TempFile(const std::string& name) {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const auto dir = std::filesystem::path(::testing::TempDir()) / "palomet-cli-tests" /
                     (std::string(test->test_suite_name()) + "." + test->name());
    std::filesystem::create_directories(dir);
    return (dir / name).string();
}

inline std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void Spill(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// program defaults to the build's palomet-cli; args go to a shell as they are.
inline CliRun Cli(const std::string& args, const std::string& program = std::string(PALOMET_BIN_DIR) + "/palomet-cli") {
    const std::string errFile = TempFile("stderr.txt");
    const std::string cmd = "TZ=UTC " + program + " " + args + " 2>" + errFile;
    CliRun r;
    std::FILE* pipe = ::popen(cmd.c_str(), "r");
    if (pipe == nullptr) return r;
    std::array<char, 4096> buf{};
    std::size_t got = 0;
    while ((got = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) r.out.append(buf.data(), got);
    const int raw = ::pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.err = Slurp(errFile);
    return r;
}

inline const std::string kSample = std::string(PALOMET_SOURCE_DIR) + "/samples/sample.tns";

}  // namespace clitest
