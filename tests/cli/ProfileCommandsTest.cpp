// palomet-cli profile and registry export, run as a script runs them against one registry file.
#include <gtest/gtest.h>

#include <string>

#include "CliRun.h"

namespace {

using clitest::CliRun;

class ProfileCli : public ::testing::Test {
protected:
    std::string m_registry = support::TempPath("registry.sqlite");

    // stdout and stderr (joined) of one run against this test's registry.
    CliRun Cli(const std::string& args) const {
        CliRun r = clitest::Cli(args, "PALOMET_REGISTRY='" + m_registry + "' " + PALOMET_BIN_DIR + "/palomet-cli");
        r.out += r.err;
        return r;
    }
};

TEST_F(ProfileCli, AddShowEditDeleteAndExportTheStoredBytes) {
    // The default profile with the old default trace file: 119 bytes in the store.
    ASSERT_EQ(Cli("profile add gold --server localhost --out 'C:\\temp\\test.dat'").status, 0);
    const std::string golden =
        "096c6f63616c686f7374"                              // 09 "localhost"
        "10433a5c74656d705c746573742e646174"                // 10 "C:\\temp\\test.dat"
        "3c0000000000000000000000000000000000000000000000"  // queue 60, then five zeros
        "01000000010000000100000001000000010000000100000001000000010000000100000001000000010000000100000000000000010000"
        "0001000000"
        "0000000000000000";
    const CliRun exported = Cli("registry export --json");
    EXPECT_NE(
        exported.out.find(
            "\"key\": \"HKEY_LOCAL_MACHINE\\\\SOFTWARE\\\\Dovrin\\\\Palomet 1.0\\\\1.00.003\\\\Client\\\\Profiles\", "
            "\"values\": [{\"name\": \"gold\", \"type\": \"REG_BINARY\", \"size\": 119, \"data\": \"" +
            golden + "\"}]"),
        std::string::npos)
        << exported.out;

    ASSERT_EQ(Cli("profile add lab --server 10.1.2.3 --size-limit 10 --size-unit megabytes --time-limit 30 --time-unit "
                  "minutes --layers tcp,http --exclude --queue 7")
                  .status,
              0);
    EXPECT_EQ(
        Cli("profile show LAB --json").out,
        "{\"name\": \"lab\", \"serverAddress\": \"10.1.2.3\", \"serverQueueLength\": 7, \"traceFile\": \"" +
            std::string(std::getenv("HOME")) +
            "/.local/share/palomet/capture.tns\", \"limitMode\": 3, \"sizeValue\": 10, "
            "\"sizeUnit\": \"Megabytes\", \"timeValue\": 30, \"timeUnit\": \"Minutes\", \"filterType\": \"Excluded\", "
            "\"layers\": [\"tcp\", \"http\"]}\n");
    const CliRun edited = Cli("profile edit lab --rename Lab2 --time-limit 0 --layers all --include");
    ASSERT_EQ(edited.status, 0) << edited.out;
    EXPECT_NE(edited.out.find("Trace file constraints: Limit file size\nTrace file size:        10 Megabytes\nTime "
                              "limit:             none\n"
                              "Filter type:            Included\n"),
              std::string::npos)
        << edited.out;
    EXPECT_EQ(Cli("profile delete gold").status, 0);
    EXPECT_EQ(Cli("profile list --json").out.find("\"name\": \"gold\""), std::string::npos);
    EXPECT_NE(Cli("profile list").out.find("Lab2  10.1.2.3  Limit file size  Included"), std::string::npos);
}

TEST_F(ProfileCli, BadInputIsRefusedAndLosesNothing) {
    ASSERT_EQ(Cli("profile add lab --server h").status, 0);
    struct Case {
        const char* args;
        const char* message;
    };
    const Case cases[] = {
        {"profile add LAB --server x", "A session profile named \"lab\" already exists."},
        {"profile add n --server h --queue 3001", "Please enter an integer between 1 and 3000."},
        {"profile add n --server h --layers tcp,smb", "--layers: unknown layer: smb"},
        {"profile add n --server h --time-unit days", "--time-unit: unknown unit: days"},
        {"profile edit nothere --server h", "No session profile named \"nothere\"."},
        {"profile show nothere", "No session profile named \"nothere\"."},
    };
    for (const auto& c : cases) {
        const CliRun r = Cli(c.args);
        EXPECT_EQ(r.status, 1) << c.args;
        EXPECT_NE(r.out.find(c.message), std::string::npos) << c.args << "\n" << r.out;
    }
    EXPECT_EQ(Cli("profile list --json").out.find("\"name\": \"n\""), std::string::npos);
}

}  // namespace
