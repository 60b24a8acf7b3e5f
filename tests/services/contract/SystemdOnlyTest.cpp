// What only the systemd backend does: reach another host through ssh and
// systemd-stdio-bridge (a stand-in ssh runs the bridge here, on the test manager's bus), and
// palomet-cli service against the real manager.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "ContractBackends.h"
#include "services/AccountSource.h"
#include "services/CSrvItem.h"
#include "support/Files.h"

namespace services::test {
namespace {

class SystemdOnly : public ::testing::Test {
protected:
    void SetUp() override {
        if (const std::string why = EnterSystemdFixture(); !why.empty()) GTEST_SKIP() << why;
        ::setenv("PALOMET_SSH", PALOMET_CONTRACT_DIR "/fake-ssh.sh", 1);
        m_sshLog = std::string(std::getenv("PALOMET_SYSTEMD_DIR")) + "/ssh-" + std::to_string(::getpid()) + ".log";
        ::setenv("FAKE_SSH_LOG", m_sshLog.c_str(), 1);
    }
    std::string SshLog() const { return support::ReadText(m_sshLog); }
    SystemdBackend m_backend;
    std::string m_sshLog;
};

TEST_F(SystemdOnly, AnotherHostThroughSshAndTheBridge) {
    m_backend.Reset("pm-remote.service");
    platform::SystemdConnector connector(platform::ServiceScope::User);
    CSrvItem item(connector, "\\\\capture1", "pm-remote.service");
    EXPECT_EQ(item.DisplayName(), "Palomet test service remote");
    // The account drop-in goes to the remote host through a shell over ssh.
    item.SetAccount("capture1\\nobody");
    item.ChangeConfig();
    item.Refresh();
    EXPECT_EQ(item.Account(), "nobody");
    EXPECT_TRUE(std::filesystem::exists(std::string(std::getenv("XDG_CONFIG_HOME")) +
                                        "/systemd/user/pm-remote.service.d/50-palomet-account.conf"));
    HostAccountSource accounts("capture1");
    auto list = accounts.Accounts();
    ASSERT_TRUE(list.Ok()) << list.Err().message;
    EXPECT_TRUE(std::any_of(list.Value().begin(), list.Value().end(), [](const auto& a) { return a.name == "root"; }));
    auto unreachable = connector.Connect("unreachable1");
    ASSERT_FALSE(unreachable.Ok());
    EXPECT_EQ(unreachable.Err().code, platform::kRpcServerUnavailable);
    EXPECT_EQ(SshLog(), "capture1\ncapture1\ncapture1\nunreachable1\n");
    m_backend.Reset("pm-remote.service");
}

TEST_F(SystemdOnly, CommandLineAgainstTheRealManager) {
    m_backend.Reset("pm-cli.service");
    struct Step {
        const char* args;
        int exit;
        const char* says;  // in the output, or in the errors when it fails
    };
    const Step steps[] = {
        {"service --user start PM-CLI", 0, "pm-cli.service: Running"},
        {"service --user pause pm-cli", 0, "pm-cli.service: Paused"},
        {"service --user status pm-cli --json", 0, "\"status\": \"Paused\", \"startup\": \"Manual\""},
        {"service --user continue pm-cli", 0, "pm-cli.service: Running"},
        {"service --user config pm-cli --startup auto", 0, "startup Auto, account LocalSystem"},
        {"service --user list --json", 0,
         "{\"service\": \"pm-cli.service\", \"status\": \"Running\", \"startup\": \"Auto\""},
        {"service --host capture1 --user status pm-cli", 0, "status      Running"},
        {"service --user config pm-cli --startup disabled --account nobody", 0, "startup Disabled, account nobody"},
        {"service --user stop pm-cli", 0, "pm-cli.service: Stopped"},
        {"service --user start pm-cli", 1, "disabled. (0x422)"},
        {"service --user status nosuch", 1, "does not exist as an installed service. (0x424)"},
        {"service --host -oProxyCommand=x --user list", 1, "must not begin with \"-\". (0x57)"},
        {"service --host x;id --user list", 1, "is neither a name"},
        // A host's own texts are shown escaped, as captured text is.
        {"service --user status pm-hostile", 0, "description Backup \\x1B]0;owned\\x07 \\xE2\\x80\\xAEgpj.exe"},
        {"service --user status pm-hostile", 0, "command     /bin/sleep infinity \\x1B[2J"},
        {"service --user status pm-hostile --json", 0,
         "\"description\": \"Backup \\u001B]0;owned\\u0007 \\u202Egpj.exe\""},
        {"service --user list", 0, "Backup \\x1B]0;owned\\x07 \\xE2\\x80\\xAEgpj.exe"},
    };
    for (const Step& step : steps) {
        std::vector<std::string> argv = {PALOMET_BIN_DIR "/palomet-cli"};
        std::istringstream words(step.args);
        for (std::string w; words >> w;) argv.push_back(w);
        auto run = platform::RunProgram(argv, {}, std::chrono::seconds(60), 1 << 20);
        ASSERT_TRUE(run.Ok()) << run.Err().message;
        EXPECT_EQ(run.Value().exitStatus, step.exit) << step.args << "\n" << run.Value().err;
        const std::string said = run.Value().out + run.Value().err;
        EXPECT_NE(said.find(step.says), std::string::npos) << step.args << "\n" << said;
        EXPECT_EQ(said.find_first_of("\x1b\x07"), std::string::npos) << step.args;
        EXPECT_EQ(said.find("\xe2\x80\xae"), std::string::npos) << step.args;
    }
    m_backend.Reset("pm-cli.service");
}

}  // namespace
}  // namespace services::test
