// Host and account names that reach ssh, shells and unit files: hostile ones are refused, and
// a refusal never prints the control character it refuses.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/HostNames.h"

namespace platform {
namespace {

// Only what a host name, user@host or address can hold reaches ssh: no shell word, no ssh
// option, no %-token for a ProxyCommand. Brackets come off an IPv6 address on the way.
TEST(HostNames, TakeOnlyWhatAHostCanHold) {
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
        const auto parsed = ParseHostName(text);
        ASSERT_TRUE(parsed.Ok()) << text << ": " << parsed.Err().message;
        EXPECT_EQ(parsed.Value().Destination(), destination) << text;
        EXPECT_FALSE(CheckHostName(text)) << text;
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
        const auto bad = CheckHostName(text);
        ASSERT_TRUE(bad) << text;
        EXPECT_EQ(bad->code, kErrorInvalidParameter) << text;
    }
    for (const char* account : {"ann", ".\\ann", "pc1\\svc-agent", "ann.smith"})
        EXPECT_FALSE(CheckAccountName(account)) << account;
    for (const char* account : {"", ".\\", "-ann", "a:b", "../etc", "a/b", "x\ny", "two words", "pc\\a\\b"})
        EXPECT_TRUE(CheckAccountName(account)) << account;
}

}  // namespace
}  // namespace platform
