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
        {"icmp", MakeFrame(1, 0, 0), kEthIp},
        {"vlan tagged", MakeFrame(17, 53, 5000, true), kEthIp | F::kUdp | F::kDns},
        {"later fragment has no ports", MakeFrame(6, 80, 5000, false, 0x0010), kEthIp | F::kTcp},
        {"first fragment with more-fragments flag", MakeFrame(6, 80, 5000, false, 0x2000), kEthIp | F::kTcp | F::kHttp},
        {"ports cut short", truncatedPorts, kEthIp | F::kTcp},
        {"not version 4", badVersion, F::kEthernet},
        {"options move the ports", longHeader, kEthIp | F::kUdp},
    };
    for (const auto& c : cases) EXPECT_EQ(F::IdentifyLayers(c.frame), c.layers) << c.name;
}

TEST(CaptureFilterTest, IncludedAndExcluded) {
    using Box = std::uint32_t capture::CPktSnapConf::*;
    using C = capture::CPktSnapConf;
    const Box all[] = {&C::ethernet, &C::ipv4, &C::tcp, &C::udp, &C::telnet, &C::ftp,
                       &C::smtp,     &C::pop3, &C::dns, &C::nbns, &C::http};
    const Bytes frames[] = {MakeFrame(6, 40000, 80), MakeFrame(6, 40000, 22), MakeFrame(17, 40000, 53), test::MakeArp()};
    struct Case {
        const char* name;
        std::uint32_t filterType;
        bool startClear;                   // every box unchecked before `boxes` are set to `value`
        std::vector<Box> boxes;
        std::uint32_t value;
        const char* kept;                  // http, ssh, dns, arp
    } cases[] = {
        {"defaults keep everything", C::kIncluded, false, {}, 0, "1111"},
        {"included without HTTP", C::kIncluded, false, {&C::http}, 0, "0111"},
        {"included without TCP", C::kIncluded, false, {&C::tcp}, 0, "0011"},
        {"included without Ethernet keeps nothing", C::kIncluded, false, {&C::ethernet}, 0, "0000"},
        {"included with nothing checked", C::kIncluded, true, {}, 0, "0000"},
        {"any non-zero box counts as checked", C::kIncluded, false, {&C::http}, 7, "1111"},
        {"excluded with nothing checked keeps everything", C::kExcluded, true, {}, 0, "1111"},
        {"excluded HTTP", C::kExcluded, true, {&C::http}, 1, "0111"},
        {"excluded UDP", C::kExcluded, true, {&C::udp}, 1, "1101"},
        {"excluded defaults keep nothing", C::kExcluded, false, {}, 0, "0000"},
        {"any non-zero filter type excludes", 5, true, {&C::http}, 1, "0111"},
    };
    for (const auto& c : cases) {
        C conf;
        conf.filterType = c.filterType;
        if (c.startClear)
            for (Box b : all) conf.*b = 0;
        for (Box b : c.boxes) conf.*b = c.value;
        const CaptureFilter filter(conf);
        for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(filter.Passes(frames[i]), c.kept[i] == '1') << c.name << " frame " << i;
    }
}

}  // namespace
}  // namespace agentd
