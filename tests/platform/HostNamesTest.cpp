// Host and account names that reach ssh, shells and unit files: hostile ones are refused, and
// a refusal never prints the control character it refuses.
#include <gtest/gtest.h>

#include "platform/HostNames.h"

namespace platform {
namespace {

TEST(ServiceNames, HostileHostsAndAccountsAreRefused) {
    for (const char* host : {"pc1", "admin@pc1.example.org", "10.0.0.7", "fe80::1%eth0"})
        EXPECT_FALSE(CheckHostName(host)) << host;
    for (const char* host : {"", "-oProxyCommand=sh", "pc1\nrm", "pc 1", "pc\t1", "pc\x7f"})
        EXPECT_TRUE(CheckHostName(host)) << host;
    for (const char* account : {"ann", ".\\ann", "pc1\\svc-agent", "ann.smith"})
        EXPECT_FALSE(CheckAccountName(account)) << account;
    for (const char* account : {"", ".\\", "-ann", "a:b", "../etc", "a/b", "x\ny", "two words", "pc\\a\\b"})
        EXPECT_TRUE(CheckAccountName(account)) << account;
    // A refusal never prints the control character it refuses.
    EXPECT_EQ(CheckHostName("pc\n1")->message,
              "The host name \"pc\\x0a1\" must not contain spaces or control characters.");
}

}  // namespace
}  // namespace platform
