// Layer identification over hand-made frames, and the include/exclude rule.
#include <gtest/gtest.h>

#include <pcap/pcap.h>
#include "AgentTestUtil.h"

#include "agentd/CaptureFilter.h"
#include "agentd/KernelFilter.h"

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
    const Box all[] = {&C::ethernet, &C::ipv4, &C::tcp, &C::udp,  &C::telnet, &C::ftp,
                       &C::smtp,     &C::pop3, &C::dns, &C::nbns, &C::http};
    const Bytes frames[] = {MakeFrame(6, 40000, 80), MakeFrame(6, 40000, 22), MakeFrame(17, 40000, 53),
                            test::MakeArp()};
    struct Case {
        const char* name;
        std::uint32_t filterType;
        bool startClear;  // every box unchecked before `boxes` are set to `value`
        std::vector<Box> boxes;
        std::uint32_t value;
        const char* kept;  // http, ssh, dns, arp
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
        for (std::size_t i = 0; i < 4; ++i)
            EXPECT_EQ(filter.Passes(frames[i]), c.kept[i] == '1') << c.name << " frame " << i;
    }
}

}  // namespace
}  // namespace agentd

namespace agentd {
namespace {

// Runs the kernel filter the way libpcap would on a live handle.
bool KernelPasses(const std::string& expression, const test::Bytes& frame) {
    if (expression.empty()) return true;
    pcap_t* dead = pcap_open_dead(DLT_EN10MB, 262144);
    bpf_program program{};
    EXPECT_EQ(pcap_compile(dead, &program, expression.c_str(), 1, PCAP_NETMASK_UNKNOWN), 0) << pcap_geterr(dead) << "\n"
                                                                                            << expression;
    pcap_pkthdr header{};
    header.caplen = header.len = static_cast<bpf_u_int32>(frame.size());
    const bool pass = pcap_offline_filter(&program, &header, frame.data()) != 0;
    pcap_freecode(&program);
    pcap_close(dead);
    return pass;
}

// The agent's own packets: 127.0.0.1 port 5000 to a manager.
test::Bytes AgentPacket(std::uint16_t sport, std::uint16_t dport) {
    auto f = test::MakeFrame(6, sport, dport);
    f[26] = 127, f[27] = 0, f[28] = 0, f[29] = 1;
    return f;
}

TEST(KernelFilterTest, DropsTheAgentsOwnTrafficAndNeverAFrameTheCaptureFilterKeeps) {
    using test::MakeFrame;
    auto cut = MakeFrame(6, 80, 1234);
    cut.resize(14 + 20 + 2);
    auto options = MakeFrame(17, 53, 999);
    options[14] = 0x46;  // a header of 24 bytes: the ports move
    const std::vector<test::Bytes> frames = {MakeFrame(6, 80, 1234),
                                             MakeFrame(6, 1234, 80),
                                             MakeFrame(6, 21, 80),
                                             MakeFrame(17, 53, 5353),
                                             MakeFrame(17, 137, 53),
                                             MakeFrame(6, 80, 1, true),
                                             MakeFrame(6, 23, 2, false, 0x20),
                                             test::MakeArp(),
                                             MakeFrame(1, 0, 0),
                                             cut,
                                             options,
                                             test::Bytes(10, 0),
                                             AgentPacket(5001, 40000)};
    capture::CPktSnapConf noHttp;
    noHttp.http = 0;
    capture::CPktSnapConf onlyUdp;
    onlyUdp.filterType = capture::CPktSnapConf::kExcluded;
    onlyUdp.ethernet = onlyUdp.ipv4 = onlyUdp.tcp = onlyUdp.telnet = onlyUdp.ftp = onlyUdp.smtp = onlyUdp.pop3 =
        onlyUdp.http = 0;
    onlyUdp.dns = onlyUdp.nbns = onlyUdp.udp = 0;
    capture::CPktSnapConf noTcpNoDns;
    noTcpNoDns.tcp = noTcpNoDns.dns = 0;
    capture::CPktSnapConf stations;  // 10.0.0.1 with 10.0.0.2, and one Ethernet address
    stations.firstList = {0x0A000001};
    stations.secondList = {0x0A000002};
    stations.firstAddresses.emplace_back(std::array<std::uint8_t, 6>{6, 7, 8, 9, 10, 11});
    capture::CPktSnapConf strangers;
    strangers.firstList = {0xC0000207};
    const capture::CPktSnapConf confs[] = {{}, noHttp, onlyUdp, noTcpNoDns, stations, strangers};
    const AgentEndpoints agent{{0x7F000001}, {5000, 5001}};
    for (std::size_t c = 0; c < std::size(confs); ++c) {
        const CaptureFilter filter(confs[c]);
        const std::string expression = KernelFilterExpression(filter, agent);
        for (std::size_t i = 0; i < frames.size(); ++i) {
            if (filter.Passes(frames[i]) && i + 1 != frames.size()) {
                EXPECT_TRUE(KernelPasses(expression, frames[i])) << "configuration " << c << ", frame " << i;
            }
        }
        for (const auto& own : {AgentPacket(5000, 40000), AgentPacket(5001, 40000)})
            EXPECT_FALSE(KernelPasses(expression, own)) << "configuration " << c;
        auto toAgent = MakeFrame(6, 40000, 5000);
        toAgent[30] = 127, toAgent[31] = 0, toAgent[32] = 0, toAgent[33] = 1;
        EXPECT_FALSE(KernelPasses(expression, toAgent)) << "configuration " << c;
    }
    // Where it can, the kernel drops what the capture filter drops.
    EXPECT_FALSE(KernelPasses(KernelFilterExpression(CaptureFilter(noHttp), {}), MakeFrame(6, 1234, 80)));
    EXPECT_FALSE(KernelPasses(KernelFilterExpression(CaptureFilter(strangers), {}), MakeFrame(6, 1234, 80)));
    EXPECT_TRUE(KernelPasses(KernelFilterExpression(CaptureFilter(noHttp), {}), MakeFrame(6, 21, 80)));
}

TEST(KernelFilterTest, OnlyTheAgentsOwnAddressesAndPortsTogetherAreLeftOut) {
    // Listening on every address: the host's addresses, and its two ports (135 the mapper's).
    const AgentEndpoints agent{{0x0A000009, 0x7F000001}, {5000, 135}};
    const auto segment = test::MakeTcpSegment;
    constexpr std::uint32_t kHere = 0x0A000009;
    constexpr std::uint32_t kOne = 0x0A000001;
    constexpr std::uint32_t kOther = 0x0A000002;
    struct Case {
        const char* name;
        test::Bytes frame;
        bool kept;
    } cases[] = {
        {"two other hosts, to port 135", segment(kOne, 40000, kOther, 135), true},
        {"two other hosts, from the agent's port", segment(kOther, 5000, kOne, 40000), true},
        {"another host's port 135 to this host", segment(kOne, 135, kHere, 40000), true},
        {"this host's other port to a host", segment(kHere, 40000, kOne, 5000), true},
        {"a manager to the agent", segment(kOne, 40000, kHere, 5000), false},
        {"the mapper to a manager", segment(kHere, 135, kOne, 40000), false},
        {"on loopback", segment(0x7F000001, 5000, 0x7F000001, 40000), false},
    };
    const std::string expression = KernelFilterExpression(CaptureFilter(), agent);
    for (const auto& c : cases) EXPECT_EQ(KernelPasses(expression, c.frame), c.kept) << c.name << "\n" << expression;
    // Where the host's addresses are not known, the ports alone still keep the agent out of its trace.
    EXPECT_FALSE(KernelPasses(KernelFilterExpression(CaptureFilter(), {{}, {5000}}), segment(kOne, 1, kOther, 5000)));
}

TEST(CaptureFilterTest, StationListsChooseWhoseTrafficIsKept) {
    using test::MakeFrame;  // from 06:07:08:09:0a:0b, 10.0.0.1 to 10.0.0.2
    capture::CPktSnapConf pair;
    pair.firstList = {0x0A000002};
    pair.secondList = {0x0A000001};
    capture::CPktSnapConf wrongPair = pair;
    wrongPair.secondList = {0x0A000009};
    capture::CPktSnapConf mac;
    mac.firstAddresses.emplace_back(std::array<std::uint8_t, 6>{0, 1, 2, 3, 4, 5});
    capture::CPktSnapConf otherMac;
    otherMac.firstAddresses.emplace_back(std::array<std::uint8_t, 6>{0, 1, 2, 3, 4, 6});
    // As long as lists get (some 16,000 stations), the pair last.
    capture::CPktSnapConf longPair;
    capture::CPktSnapConf longMacs;
    for (std::uint32_t i = 0; i < 16000; ++i) {
        longPair.firstList.push_back(0xC0A80000 + i);
        longPair.secondList.push_back(0xAC100000 + i);
        longMacs.firstAddresses.emplace_back(
            std::array<std::uint8_t, 6>{2, 0, 0, 0, static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i)});
    }
    capture::CPktSnapConf longPairStrangers = longPair;
    longPair.firstList.push_back(0x0A000002);
    longPair.secondList.push_back(0x0A000001);
    capture::CPktSnapConf longMacsStrangers = longMacs;
    longMacs.firstAddresses.emplace_back(std::array<std::uint8_t, 6>{6, 7, 8, 9, 10, 11});
    struct Case {
        const char* name;
        capture::CPktSnapConf conf;
        test::Bytes frame;
        bool kept;
    } cases[] = {
        {"both ends of the IPv4 pair", pair, MakeFrame(17, 1, 2), true},
        {"through a VLAN tag", pair, MakeFrame(17, 1, 2, true), true},
        {"one end outside the pair", wrongPair, MakeFrame(17, 1, 2), false},
        {"no IPv4 with an IPv4 list", pair, test::MakeArp(), false},
        {"the destination MAC listed", mac, MakeFrame(6, 1, 2), true},
        {"neither MAC listed", otherMac, MakeFrame(6, 1, 2), false},
        {"the pair last in long lists", longPair, MakeFrame(17, 1, 2), true},
        {"neither end in long lists", longPairStrangers, MakeFrame(17, 1, 2), false},
        {"the source MAC last in a long list", longMacs, MakeFrame(6, 1, 2), true},
        {"neither MAC in a long list", longMacsStrangers, MakeFrame(6, 1, 2), false},
    };
    for (const auto& c : cases) EXPECT_EQ(CaptureFilter(c.conf).Passes(c.frame), c.kept) << c.name;
}

}  // namespace
}  // namespace agentd
