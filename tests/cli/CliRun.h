// Running palomet-cli as a user does, for the command tests: exit status, stdout and stderr
// apart, local time in UTC; files go to the test's own scratch folder.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "support/Files.h"
#include "support/Programs.h"
#include "support/Scratch.h"

namespace clitest {

using CliRun = support::RunOutput;

// program defaults to the build's palomet-cli; args go to a shell as they are.
inline CliRun Cli(const std::string& args, const std::string& program = std::string(PALOMET_BIN_DIR) + "/palomet-cli") {
    return support::Run("TZ=UTC " + program + " " + args);
}

inline const std::string kSample = std::string(PALOMET_SOURCE_DIR) + "/samples/sample.tns";

}  // namespace clitest
