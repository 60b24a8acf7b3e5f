// The service layer's words: state and start-type texts, error texts, machine names, and
// account lists read from another host.
#include <gtest/gtest.h>

#include <string>

#include "platform/HostNames.h"
#include "services/CSrvBrowser.h"
#include "services/PasswdText.h"
#include "services/ServiceTexts.h"

namespace services {
namespace {

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

// A host-name refusal shown to the user never holds the control character it refuses.
TEST(ServiceNames, ARefusalShowsTheNameEscaped) {
    const auto bad = platform::CheckHostName("pc\n1");
    ASSERT_TRUE(bad);
    EXPECT_EQ(ErrorText(bad->code, bad->message),
              "The host name \"pc\\x0A1\" must not contain spaces or control characters. (0x57)");
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
