// Layer identification over hand-made frames, and the include/exclude rule.
#include <gtest/gtest.h>

#include "AgentTestUtil.h"
#include "agentd/CaptureFilter.h"

namespace agentd {
namespace {

using test::Bytes;
using test::MakeFrame;
using F = CaptureFilter;

constexpr std::uint32_t kEthIp = F::kEthernet | F::kIpv4;

TEST(CaptureFilterTest, IdentifiesLayers) {
    Bytes truncatedPorts = MakeFrame(6, 80, 1234);
    truncatedPorts.resize(14 + 20 + 2);
    Bytes badVersion = MakeFrame(6, 80, 1234);
    badVersion[14] = 0x65;
    Bytes longHeader = MakeFrame(17, 137, 137, false, 0, 40);
    longHeader[14] = 0x46;  // 24-byte header: the ports sit 4 bytes later, in the payload
    struct Case {
        const char* name;
        Bytes frame;
        std::uint32_t layers;
    } cases[] = {
        {"runt", Bytes{1, 2, 3}, F::kEthernet},
        {"arp", test::MakeArp(), F::kEthernet},
        {"http to server", MakeFrame(6, 40000, 80), kEthIp | F::kTcp | F::kHttp},
        {"http from server", MakeFrame(6, 80, 40000), kEthIp | F::kTcp | F::kHttp},
        {"telnet", MakeFrame(6, 23, 5000), kEthIp | F::kTcp | F::kTelnet},
        {"ftp", MakeFrame(6, 5000, 21), kEthIp | F::kTcp | F::kFtp},
        {"smtp", MakeFrame(6, 25, 5000), kEthIp | F::kTcp | F::kSmtp},
        {"pop3", MakeFrame(6, 5000, 110), kEthIp | F::kTcp | F::kPop3},
        {"dns over tcp", MakeFrame(6, 53, 5000), kEthIp | F::kTcp | F::kDns},
        {"dns over udp", MakeFrame(17, 5000, 53), kEthIp | F::kUdp | F::kDns},
        {"nbns", MakeFrame(17, 137, 137), kEthIp | F::kUdp | F::kNbns},
        {"nbns port over tcp is no application", MakeFrame(6, 137, 5000), kEthIp | F::kTcp},
        {"http port over udp is no application", MakeFrame(17, 80, 5000), kEthIp | F::kUdp},
        {"other tcp", MakeFrame(6, 5000, 6000), kEthIp | F::kTcp},
        {"icmp", MakeFrame(1, 0, 0), kEthIp},
        {"vlan tagged", MakeFrame(17, 53, 5000, true), kEthIp | F::kUdp | F::kDns},
        {"later fragment has no ports", MakeFrame(6, 80, 5000, false, 0x0010), kEthIp | F::kTcp},
        {"first fragment with more-fragments flag", MakeFrame(6, 80, 5000, false, 0x2000),
         kEthIp | F::kTcp | F::kHttp},
        {"ports cut short", truncatedPorts, kEthIp | F::kTcp},
        {"not version 4", badVersion, F::kEthernet},
        {"options move the ports", longHeader, kEthIp | F::kUdp},
    };
    for (const auto& c : cases) EXPECT_EQ(F::IdentifyLayers(c.frame), c.layers) << c.name;
}

TEST(CaptureFilterTest, IncludedAndExcluded) {
    const Bytes http = MakeFrame(6, 40000, 80);
    const Bytes ssh = MakeFrame(6, 40000, 22);
    const Bytes dns = MakeFrame(17, 40000, 53);
    const Bytes arp = test::MakeArp();
    auto conf = [](auto change) {
        capture::CPktSnapConf c;
        change(c);
        return c;
    };
    auto clearAll = [](capture::CPktSnapConf& c) {
        c.ethernet = c.ipv4 = c.tcp = c.udp = c.telnet = c.ftp = c.smtp = c.pop3 = c.dns = c.nbns = c.http = 0;
    };
    struct Case {
        const char* name;
        capture::CPktSnapConf conf;
        bool http, ssh, dns, arp;
    } cases[] = {
        {"defaults keep everything", capture::CPktSnapConf{}, true, true, true, true},
        {"included without HTTP", conf([](auto& c) { c.http = 0; }), false, true, true, true},
        {"included without TCP", conf([](auto& c) { c.tcp = 0; }), false, false, true, true},
        {"included without Ethernet keeps nothing", conf([](auto& c) { c.ethernet = 0; }), false, false, false, false},
        {"included with nothing checked", conf(clearAll), false, false, false, false},
        {"excluded with nothing checked keeps everything",
         conf([&](auto& c) {
             clearAll(c);
             c.filterType = capture::CPktSnapConf::kExcluded;
         }),
         true, true, true, true},
        {"excluded HTTP",
         conf([&](auto& c) {
             clearAll(c);
             c.http = 1;
             c.filterType = capture::CPktSnapConf::kExcluded;
         }),
         false, true, true, true},
        {"excluded UDP",
         conf([&](auto& c) {
             clearAll(c);
             c.udp = 1;
             c.filterType = capture::CPktSnapConf::kExcluded;
         }),
         true, true, false, true},
        {"excluded defaults keep nothing", conf([](auto& c) { c.filterType = 1; }), false, false, false, false},
        {"any non-zero flag counts as set", conf([](auto& c) { c.http = 7; }), true, true, true, true},
    };
    for (const auto& c : cases) {
        const CaptureFilter filter(c.conf);
        EXPECT_EQ(filter.Passes(http), c.http) << c.name;
        EXPECT_EQ(filter.Passes(ssh), c.ssh) << c.name;
        EXPECT_EQ(filter.Passes(dns), c.dns) << c.name;
        EXPECT_EQ(filter.Passes(arp), c.arp) << c.name;
    }
    EXPECT_TRUE(CaptureFilter(capture::CPktSnapConf{}).PassesAll());
    EXPECT_FALSE(CaptureFilter(conf([](auto& c) { c.http = 0; })).PassesAll());
}

}  // namespace
}  // namespace agentd
