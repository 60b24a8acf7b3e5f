// The service layer's words and name rules: state and start-type texts, error texts,
// machine names, hostile host and account names, and how systemd's words are mapped.
#include <gtest/gtest.h>

#include <string>

#include "platform/HostAccounts.h"
#include "platform/HostCommand.h"
#include "platform/HostNames.h"
#include "platform/SystemdConnector.h"
#include "platform/SystemdMapping.h"
#include "platform/UnitDropIn.h"
#include "services/CSrvBrowser.h"
#include "services/PasswdText.h"
#include "services/ServiceTexts.h"

namespace services {
namespace {

namespace sd = platform::systemd;

TEST(ServiceTexts, StatesAndStartTypes) {
    const struct {
        std::uint32_t value;
        const char* state;
        const char* startType;
    } cases[] = {{0, "?", "Boot"},          {1, "Stopped", "System"},   {2, "Starting", "Auto"},
                 {3, "Stopping", "Manual"}, {4, "Running", "Disabled"}, {5, "Continuing", "?"},
                 {6, "Pausing", "?"},       {7, "Paused", "?"},         {8, "?", "?"},
                 {0xFFFFFFFF, "?", "?"}};
    for (const auto& c : cases) {
        EXPECT_EQ(StateText(c.value), c.state) << c.value;
        EXPECT_EQ(StartTypeText(c.value), c.startType) << c.value;
    }
}

TEST(ServiceTexts, ErrorTextIsNeverEmpty) {
    const struct {
        std::uint32_t code;
        const char* backend;
        const char* shown;
    } cases[] = {
        {1060, "", "The specified service does not exist as an installed service. (0x424)"},
        {5, "Interactive authentication required.", "Access is denied. (0x5)"},
        {1722, "ssh pc9: Could not resolve hostname pc9\r\n ", "ssh pc9: Could not resolve hostname pc9 (0x6ba)"},
        {1722, "", "The host's service manager cannot be reached. (0x6ba)"},
        {87, "The host name \"-x\" must not begin with \"-\".\n",
         "The host name \"-x\" must not begin with \"-\". (0x57)"},
        // Another host's words are escaped as captured text is.
        {50, "line one\nline two\n", "line one\\x0Aline two (0x32)"},
        {1722,
         "ssh pc9: \x1b]0;owned\x07 \xe2\x80\xae"
         "exe.txt",
         "ssh pc9: \\x1B]0;owned\\x07 \\xE2\\x80\\xAEexe.txt (0x6ba)"},
        {4242, "", "Error 4242 (0x1092)"},
        {1359, " \n", "Error 1359 (0x54f)"},
    };
    for (const auto& c : cases) EXPECT_EQ(ErrorText(c.code, c.backend), c.shown) << c.code;
}

TEST(ServiceNames, MachineNamesAreNeverCut) {
    const std::string local = "\\\\" + platform::LocalComputerName();
    const struct {
        const char* host;
        std::string machine;
    } cases[] = {{"localhost", local},
                 {"127.0.0.1", local},
                 {"LOCALHOST", "\\\\LOCALHOST"},
                 {"capture-host-in-building-seven.example.org", "\\\\capture-host-in-building-seven.example.org"},
                 {"\\\\pc1", "\\\\pc1"}};
    for (const auto& c : cases) EXPECT_EQ(CSrvBrowser::MakeMachineName(c.host), c.machine) << c.host;
    EXPECT_TRUE(platform::IsLocalHost("LOCALHOST"));
    EXPECT_TRUE(platform::IsLocalHost(local));
    EXPECT_FALSE(platform::IsLocalHost("pc1"));
}

// Only what a host name, user@host or address can hold reaches ssh: no shell word, no ssh
// option, no %-token for a ProxyCommand. Brackets come off an IPv6 address on the way.
TEST(ServiceNames, HostNamesTakeOnlyWhatAHostCanHold) {
    const std::pair<const char*, const char*> accepted[] = {
        {"pc1", "pc1"},
        {"PC1.Example.ORG", "PC1.Example.ORG"},
        {"capture-host_7.example.org", "capture-host_7.example.org"},
        {"admin@pc1.example.org", "admin@pc1.example.org"},
        {"ann.smith@pc1", "ann.smith@pc1"},
        {"10.0.0.7", "10.0.0.7"},
        {"fe80::1", "fe80::1"},
        {"fe80::1%eth0", "fe80::1%eth0"},
        {"[::1]", "::1"},
        {"ann@[2001:db8::1]", "ann@2001:db8::1"},
        {"ann@::ffff:10.0.0.1", "ann@::ffff:10.0.0.1"},
    };
    for (const auto& [text, destination] : accepted) {
        const auto parsed = platform::ParseHostName(text);
        ASSERT_TRUE(parsed.Ok()) << text << ": " << parsed.Err().message;
        EXPECT_EQ(parsed.Value().Destination(), destination) << text;
        EXPECT_FALSE(platform::CheckHostName(text)) << text;
    }
    const std::string refused[] = {
        "",
        "-oProxyCommand=sh",
        "x;id",
        "a$(id)",
        "a`id`",
        "pc|nc",
        "pc&",
        "a>b",
        "'pc'",
        "\"pc\"",
        "pc1/x",
        "a*b",
        "pc1?",
        "~pc",
        "pc#1",
        "pc%h",
        "pc 1",
        "pc\t1",
        "pc\n1",
        "pc\x7f",
        "pc1:22",
        "a@b@c",
        "@pc1",
        "ann@",
        "-ann@pc1",
        "ann@-pc1",
        "a;b@pc1",
        "pc..x",
        ".pc",
        "pc.",
        "[pc1]",
        "[::1",
        "fe80::1%",
        "fe80::1%a;b",
        "::g",
        "\\\\pc1",
        "pc1\xe2\x80\xae",
        "\xc3\xbc.example",
        std::string(64, 'a') + ".example.org",
    };
    for (const std::string& text : refused) {
        const auto bad = platform::CheckHostName(text);
        ASSERT_TRUE(bad) << text;
        EXPECT_EQ(bad->code, platform::kErrorInvalidParameter) << text;
    }
    for (const char* account : {"ann", ".\\ann", "pc1\\svc-agent", "ann.smith"})
        EXPECT_FALSE(platform::CheckAccountName(account)) << account;
    for (const char* account : {"", ".\\", "-ann", "a:b", "../etc", "a/b", "x\ny", "two words", "pc\\a\\b"})
        EXPECT_TRUE(platform::CheckAccountName(account)) << account;
    // A refusal shown to the user never holds the control character it refuses.
    const auto bad = platform::CheckHostName("pc\n1");
    EXPECT_EQ(ErrorText(bad->code, bad->message),
              "The host name \"pc\\x0A1\" must not contain spaces or control characters. (0x57)");
}

TEST(SystemdMapping, StatesStartTypesAndAccounts) {
    const struct {
        const char* active;
        const char* freezer;
        const char* job;
        std::uint32_t state;
    } states[] = {
        {"active", "running", "", 4},        {"reloading", "running", "", 4},       {"activating", "running", "", 2},
        {"deactivating", "running", "", 3},  {"inactive", "running", "", 1},        {"failed", "running", "", 1},
        {"active", "frozen", "", 7},         {"active", "freezing", "", 6},         {"active", "thawing", "", 5},
        {"inactive", "running", "start", 2}, {"inactive", "running", "unknown", 2}, {"inactive", "running", "stop", 1},
        {"active", "running", "stop", 3},    {"active", "running", "unknown", 4},   {"maintenance", "running", "", 1},
    };
    for (const auto& s : states)
        EXPECT_EQ(sd::StateOf(s.active, s.freezer, s.job), s.state) << s.active << "/" << s.freezer << "/" << s.job;
    const struct {
        const char* fileState;
        const char* loadState;
        std::uint32_t type;
    } types[] = {{"enabled", "loaded", 2},  {"enabled-runtime", "loaded", 2}, {"masked", "masked", 4},
                 {"", "masked", 4},         {"disabled", "loaded", 3},        {"static", "loaded", 3},
                 {"indirect", "loaded", 3}, {"generated", "loaded", 3}};
    for (const auto& t : types) EXPECT_EQ(sd::StartTypeOf(t.fileState, t.loadState), t.type) << t.fileState;
    EXPECT_EQ(sd::AccountOf("", false, "a.service"), "LocalSystem");
    EXPECT_EQ(sd::AccountOf("root", false, "a.service"), "LocalSystem");
    EXPECT_EQ(sd::AccountOf("0", false, "a.service"), "LocalSystem");
    EXPECT_EQ(sd::AccountOf("", true, "palometsrv.service"), "palometsrv");
    EXPECT_EQ(sd::AccountOf("capture", true, "palometsrv.service"), "capture");
}

TEST(SystemdMapping, ExitResultsAndBusErrors) {
    EXPECT_EQ(sd::ExitDescription("success", 1, 0), "");
    EXPECT_EQ(sd::ExitDescription("exit-code", 1, 3), "exited with status 3");
    EXPECT_EQ(sd::ExitDescription("exit-code", 1, 217), "exited with status 217: its user account does not exist");
    EXPECT_EQ(sd::ExitDescription("signal", 2, 9), "killed by signal 9 (SIGKILL)");
    EXPECT_EQ(sd::ExitDescription("core-dump", 3, 11), "dumped core on signal 11 (SIGSEGV)");
    EXPECT_EQ(sd::ExitDescription("start-limit-hit", 0, 0), "was restarted too often and is held stopped");
    const struct {
        const char* name;
        int error;
        std::uint32_t code;
    } errors[] = {
        {"org.freedesktop.systemd1.NoSuchUnit", 0, 1060},
        {"org.freedesktop.systemd1.UnitMasked", 0, 1058},
        {"org.freedesktop.systemd1.TransactionIsDestructive", 0, 1061},
        {"org.freedesktop.systemd1.UnitBusy", 0, 1061},
        {"org.freedesktop.systemd1.OnlyByDependency", 0, 1052},
        {"org.freedesktop.DBus.Error.NotSupported", 0, 1052},
        {"org.freedesktop.DBus.Error.InteractiveAuthorizationRequired", 0, 5},
        {"org.freedesktop.DBus.Error.AccessDenied", 0, 5},
        {"org.freedesktop.DBus.Error.NoReply", 0, 1460},
        {"", ECONNRESET, 1722},
        {"", EPERM, 5},
        {"org.freedesktop.DBus.Error.FileExists", EEXIST, 1359},
    };
    for (const auto& e : errors) {
        const auto error = sd::ErrorFromBus(e.name, "the manager's words", e.error);
        EXPECT_EQ(error.code, e.code) << e.name << " " << e.error;
        EXPECT_EQ(error.message, "the manager's words");
    }
}

TEST(SystemdMapping, WhatReachesShellsAndUnitFiles) {
    EXPECT_EQ(platform::ShellQuote("it's"), "'it'\\''s'");
    const std::string dropIn = platform::AccountDropIn("svc%agent");
    EXPECT_EQ(dropIn.substr(dropIn.find("[Service]")), "[Service]\nUser=svc%%agent\n");
    EXPECT_NE(platform::AccountDropIn("LocalSystem").find("[Service]\nUser=\nDynamicUser=no\n"), std::string::npos);
    EXPECT_TRUE(sd::IsUnitName("palometsrv.service"));
    EXPECT_TRUE(sd::IsUnitName("getty@tty1.service"));
    EXPECT_FALSE(sd::IsUnitName("a b.service"));
    EXPECT_FALSE(sd::IsUnitName("../x.service"));
    EXPECT_FALSE(platform::WriteDropIn("", "relative/dir", "a.service", "f.conf", "x").Ok());
    ::setenv("PALOMET_SSH", "/opt/my ssh", 1);
    EXPECT_EQ(platform::SystemdConnector::RemoteAddress(platform::ParseHostName("ann@pc1").Value(),
                                                        platform::ServiceScope::System),
              "unixexec:path=/opt/my%20ssh,argv1=-xT,argv2=-oBatchMode%3dyes,argv3=-oConnectTimeout%3d10,argv4=--,"
              "argv5=ann%40pc1,argv6=systemd-stdio-bridge");
    ::unsetenv("PALOMET_SSH");
}

TEST(Passwd, RemoteAccountListsAreReadSafely) {
    const std::string text =
        "root:x:0:0:root:/root:/bin/bash\n"
        "ann:x:1000:1000:Ann Smith,Room 4,555-1234,,:/home/ann:/bin/bash\n"
        "short:x:1\n"
        "-evil:x:5:5::/:/bin/sh\n"
        "bad\x01name:x:6:6::/:/bin/sh\n" +
        std::string(5000, 'a') + ":x:7:7::/:/bin/sh\n" +
        "daemon:x:1:1:daemon:/usr/sbin:/usr/sbin/nologin";  // no line end at the very end
    const std::vector<std::uint8_t> bytes(text.begin(), text.end());
    const auto accounts = ParsePasswd(bytes);
    ASSERT_EQ(accounts.size(), 3U);
    EXPECT_EQ(accounts[0].name, "root");
    EXPECT_EQ(accounts[0].comment, "uid 0, home /root");
    EXPECT_EQ(accounts[1].fullName, "Ann Smith");
    EXPECT_EQ(accounts[1].comment, "Room 4, 555-1234");
    EXPECT_EQ(accounts[2].name, "daemon");
}

}  // namespace
}  // namespace services
