// Naming an agent reached through SSH: the ssh:// form and what reaches ssh's command line,
// --live's mapper port after it, the normal form a session keeps, and ssh's complaints
// turned into the operator's message.
#include <gtest/gtest.h>

#include "platform/HostCommand.h"
#include "platform/SshDestination.h"
#include "platform/SshFailure.h"
#include "profiles/ProfileForm.h"
#include "session/ServerName.h"

namespace session::test {
namespace {

using Args = std::vector<std::string>;

TEST(SshNames, ServersOfTheSshFormReachSshAfterItsDoubleDash) {
    const struct {
        const char* server;
        const char* url;  // the one name of the connection
        Args arguments;
    } cases[] = {
        {"ssh://capture1", "ssh://capture1", {"--", "capture1"}},
        {"ssh://ann@capture1.example.org", "ssh://ann@capture1.example.org", {"--", "ann@capture1.example.org"}},
        {"ssh://ann@10.1.2.3:2222", "ssh://ann@10.1.2.3:2222", {"-p", "2222", "--", "ann@10.1.2.3"}},
        {"SSH://Ann@Capture1:22", "ssh://Ann@capture1:22", {"-p", "22", "--", "Ann@capture1"}},
        {"ssh://ann@[fe80::1%eth0]:2222", "ssh://ann@[fe80::1%eth0]:2222", {"-p", "2222", "--", "ann@fe80::1%eth0"}},
        {"ssh://[::1]", "ssh://[::1]", {"--", "::1"}},
        {"ssh://capture-1_a.example.org:22",
         "ssh://capture-1_a.example.org:22",
         {"-p", "22", "--", "capture-1_a.example.org"}},
    };
    for (const auto& c : cases) {
        const auto parsed = platform::ParseSshServer(c.server);
        ASSERT_TRUE(parsed) << c.server << ": " << parsed.Err().message;
        EXPECT_EQ(parsed.Value().Url(), c.url) << c.server;
        EXPECT_EQ(parsed.Value().Arguments(), c.arguments) << c.server;
    }
}

TEST(SshNames, ServersThatCannotBeOneAreRefusedWithTheReason) {
    const struct {
        const char* server;
        const char* says;
    } cases[] = {
        {"ssh://", "names no host"},
        {"ssh://ann@", "names no host"},
        {"ssh://ann@:22", "names no host"},
        {"ssh://host:", "not a number from 1 to 65535"},
        {"ssh://host:0", "not a number from 1 to 65535"},
        {"ssh://host:65536", "not a number from 1 to 65535"},
        {"ssh://host:22x", "not a number from 1 to 65535"},
        {"ssh://host:22:1135", "not a number from 1 to 65535"},  // the mapper's port is --live's, not the server's
        {"ssh://::1", "not a number from 1 to 65535"},           // an IPv6 address needs its brackets here
        {"ssh://host/agent", "has a path"},
        {"ssh://-oProxyCommand=touch%20x", "must not begin with \"-\""},
        {"ssh://-l@host", "must not begin with \"-\""},
        {"ssh://ann;id@host", "may hold only letters"},
        {"ssh://x;id", "is neither a name"},
        {"ssh://a$(id)", "is neither a name"},
        {"ssh://ann@corp@jump", "is neither a name"},
        {"ssh://an n@host", "spaces or control characters"},
        {"ssh://ho st", "spaces or control characters"},
        {"ssh://ho\nst", "spaces or control characters"},
        {"ssh://[::1", "no \"]\" after its IPv6 address"},
        {"ssh://[capture1]", "is neither a name"},
        {"ssh://[::1]x", "text after its address"},
        {"http://host", "does not begin with ssh://"},
    };
    for (const auto& c : cases) {
        const auto parsed = platform::ParseSshServer(c.server);
        ASSERT_FALSE(parsed) << c.server;
        EXPECT_EQ(parsed.Err().code, platform::kErrorInvalidParameter) << c.server;
        EXPECT_NE(parsed.Err().message.find(c.says), std::string::npos) << c.server << ": " << parsed.Err().message;
    }
}

TEST(SshNames, ServiceHostsOfEitherFormGiveSshTheSameWords) {
    const Args base = {"-xT", "-oBatchMode=yes", "-oConnectTimeout=10"};
    const struct {
        const char* host;
        Args after;
    } cases[] = {
        {"capture1", {"--", "capture1"}},
        {"admin@capture1", {"--", "admin@capture1"}},
        {"ssh://admin@capture1", {"--", "admin@capture1"}},
        {"ssh://admin@capture1:2222", {"-p", "2222", "--", "admin@capture1"}},
    };
    for (const auto& c : cases) {
        Args expected = base;
        expected.insert(expected.end(), c.after.begin(), c.after.end());
        const auto target = platform::SshTarget(c.host);
        ASSERT_TRUE(target) << c.host;
        EXPECT_EQ(platform::SshArguments(target.Value()), expected) << c.host;
    }
    for (const char* bad : {"ssh://-oProxyCommand=x", "ssh://host:99999", "-oProxyCommand=x"}) {
        const auto run = platform::RunOnHost(bad, "true", {}, std::chrono::seconds(5));
        ASSERT_FALSE(run) << bad;
        EXPECT_EQ(run.Err().code, platform::kErrorInvalidParameter) << bad;
    }
}

TEST(SshNames, LiveTakesTheMappersPortAfterTheServer) {
    const struct {
        const char* argument;
        std::optional<LiveServer> live;
    } cases[] = {
        {"capture1", LiveServer{"capture1", 0}},
        {"capture1:1135", LiveServer{"capture1", 1135}},
        {"10.0.0.5:135", LiveServer{"10.0.0.5", 135}},
        {"ssh://ann@capture1", LiveServer{"ssh://ann@capture1", 0}},
        {"ssh://ann@capture1:2222", LiveServer{"ssh://ann@capture1:2222", 0}},  // ssh's port, not the mapper's
        {"ssh://ann@capture1:2222:1135", LiveServer{"ssh://ann@capture1:2222", 1135}},
        {"ssh://capture1:22:1135", LiveServer{"ssh://capture1:22", 1135}},
        {"ssh://ann@[::1]:2222:1135", LiveServer{"ssh://ann@[::1]:2222", 1135}},
        {"", std::nullopt},
        {":135", std::nullopt},
        {"capture1:", std::nullopt},
        {"capture1:0", std::nullopt},
        {"capture1:65536", std::nullopt},
        {"capture1:x", std::nullopt},
        {"ssh://", std::nullopt},
        {"ssh://capture1:22:0", std::nullopt},
        {"ssh://capture1:22:1135:7", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto live = ParseLiveServer(c.argument);
        ASSERT_EQ(live.has_value(), c.live.has_value()) << c.argument;
        if (!live) continue;
        EXPECT_EQ(live->server, c.live->server) << c.argument;
        EXPECT_EQ(live->epmPort, c.live->epmPort) << c.argument;
    }
}

TEST(SshNames, ASessionKeepsTheUsersLetterCase) {
    const struct {
        const char* typed;
        const char* kept;
    } cases[] = {
        {"  Capture1.Example.ORG ", "capture1.example.org"},
        {" SSH://Admin@Capture1:2222 ", "ssh://Admin@capture1:2222"},
        {"ssh://Admin@Capture1:0", "ssh://admin@capture1:0"},  // no server: refused later, as typed but lowered
        {"   ", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(NormalizeServer(c.typed), c.kept) << c.typed;
}

TEST(SshNames, AProfileKeepsTheSshFormWithinTheStoredLimit) {
    profiles::ProfileForm form;
    form.queueLength = 60;
    // A host name of n letters in labels of at most 40 (a label holds 63 at most).
    const auto host = [](std::size_t n) {
        std::string name(n, 'c');
        for (std::size_t dot = 40; dot + 1 < n; dot += 41) name[dot] = '.';
        return name;
    };
    const std::string head = "ssh://admin@";
    const std::string port = ":2222";
    const std::string longest = head + host(profiles::kMaxServerLength - head.size() - port.size()) + port;
    ASSERT_EQ(longest.size(), profiles::kMaxServerLength);
    const struct {
        std::string server;
        const char* problem;  // nullptr: accepted
    } cases[] = {
        {longest, nullptr},
        {head + host(profiles::kMaxServerLength + 1 - head.size() - port.size()) + port, "120"},
        {"ssh://admin@capture1:70000", "not a number from 1 to 65535"},
        {"ssh://admin@-capture1", "is neither a name"},
        {"capture1:not-checked-here", nullptr},  // a plain host name is resolved when the session opens
    };
    for (const auto& c : cases) {
        form.serverAddress = c.server;
        const auto problem = form.Validate();
        ASSERT_EQ(problem.has_value(), c.problem != nullptr) << c.server;
        if (!problem) continue;
        EXPECT_EQ(problem->field, profiles::FormField::Server);
        EXPECT_NE(problem->message.find(c.problem), std::string::npos) << problem->message;
    }
}

// What ssh 9.2 writes for each failure, and the message the session opening makes of it.
TEST(SshNames, EachFailureOfSshSaysItsCauseAndSshsOwnLastLines) {
    const struct {
        const char* name;
        const char* stderrText;
        platform::SshFailureKind kind;
        const char* cause;
        const char* lastLines;
    } cases[] = {
        {"unknown host key",
         "No ED25519 host key is known for [127.0.0.1]:42022 and you have requested strict checking.\r\n"
         "Host key verification failed.\r\n",
         platform::SshFailureKind::HostKeyUnknown, "is not in known_hosts",
         "No ED25519 host key is known for [127.0.0.1]:42022 and you have requested strict checking.\n"
         "Host key verification failed."},
        {"changed host key",
         "@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@\r\n"
         "@    WARNING: REMOTE HOST IDENTIFICATION HAS CHANGED!     @\r\n"
         "@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@\r\n"
         "IT IS POSSIBLE THAT SOMEONE IS DOING SOMETHING NASTY!\r\n"
         "Offending ED25519 key in /tmp/kh:1\r\n"
         "  remove with:\r\n"
         "  ssh-keygen -f \"/tmp/kh\" -R \"[127.0.0.1]:42022\"\r\n"
         "Host key for [127.0.0.1]:42022 has changed and you have requested strict checking.\r\n"
         "Host key verification failed.\r\n",
         platform::SshFailureKind::HostKeyChanged, "is not the one known_hosts holds",
         "Host key for [127.0.0.1]:42022 has changed and you have requested strict checking.\n"
         "Host key verification failed."},
        {"refused key", "root@127.0.0.1: Permission denied (publickey).\r\n", platform::SshFailureKind::KeyRefused,
         "refused every key", "root@127.0.0.1: Permission denied (publickey)."},
        {"stopped sshd", "ssh: connect to host 127.0.0.1 port 42023: Connection refused\r\n",
         platform::SshFailureKind::Unreachable, "cannot be reached over SSH",
         "ssh: connect to host 127.0.0.1 port 42023: Connection refused"},
        {"unknown name", "ssh: Could not resolve hostname nosuch.invalid: Name or service not known\r\n",
         platform::SshFailureKind::Unreachable, "cannot be reached over SSH",
         "ssh: Could not resolve hostname nosuch.invalid: Name or service not known"},
        {"a port nobody serves", "Stdio forwarding request failed: Session open refused by peer\r\n",
         platform::SshFailureKind::ChannelRefused, "opened no channel to port 1135",
         "Stdio forwarding request failed: Session open refused by peer"},
        {"anything else", "\r\nbanner exchange: Connection to UNKNOWN port 65535: invalid format\r\n\r\n",
         platform::SshFailureKind::Other, "The SSH connection to ssh://h failed.",
         "banner exchange: Connection to UNKNOWN port 65535: invalid format"},
        {"nothing said", "", platform::SshFailureKind::Other, "The SSH connection to ssh://h failed.", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform::ClassifySshFailure(c.stderrText), c.kind) << c.name;
        const std::string text = platform::DescribeSshFailure("ssh://h", c.stderrText, 1135);
        const auto lineEnd = text.find('\n');
        EXPECT_NE(text.substr(0, lineEnd).find(c.cause), std::string::npos) << c.name << ": " << text;
        EXPECT_EQ(lineEnd == std::string::npos ? "" : text.substr(lineEnd + 1), c.lastLines) << c.name;
    }
}

}  // namespace
}  // namespace session::test
