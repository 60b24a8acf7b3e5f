// How systemd's words map to the service manager's: states, start types, accounts, exit
// results and bus errors, and what reaches shells and unit files.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/HostCommand.h"
#include "platform/SystemdConnector.h"
#include "platform/SystemdMapping.h"
#include "platform/UnitDropIn.h"

namespace platform {
namespace {

namespace sd = platform::systemd;

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
    EXPECT_EQ(ShellQuote("it's"), "'it'\\''s'");
    const std::string dropIn = AccountDropIn("svc%agent");
    EXPECT_EQ(dropIn.substr(dropIn.find("[Service]")), "[Service]\nUser=svc%%agent\n");
    EXPECT_NE(AccountDropIn("LocalSystem").find("[Service]\nUser=\nDynamicUser=no\n"), std::string::npos);
    EXPECT_TRUE(sd::IsUnitName("palometsrv.service"));
    EXPECT_TRUE(sd::IsUnitName("getty@tty1.service"));
    EXPECT_FALSE(sd::IsUnitName("a b.service"));
    EXPECT_FALSE(sd::IsUnitName("../x.service"));
    EXPECT_FALSE(WriteDropIn("", "relative/dir", "a.service", "f.conf", "x").Ok());
    ::setenv("PALOMET_SSH", "/opt/my ssh", 1);
    EXPECT_EQ(SystemdConnector::RemoteAddress(ParseHostName("ann@pc1").Value(), ServiceScope::System),
              "unixexec:path=/opt/my%20ssh,argv1=-xT,argv2=-oBatchMode%3dyes,argv3=-oConnectTimeout%3d10,argv4=--,"
              "argv5=ann%40pc1,argv6=systemd-stdio-bridge");
    ::unsetenv("PALOMET_SSH");
}

}  // namespace
}  // namespace platform
