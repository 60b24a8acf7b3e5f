// Filter expressions over hand-built frames of every link code a trace file holds: the
// program of the frame's own link type decides, a link type the expression has no meaning
// for never matches, and a bad expression is refused with libpcap's own words.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "capture/CPktSnapQue.h"
#include "capture/LinkCodes.h"
#include "filter/FrameFilter.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// IPv4 10.0.0.5 -> 10.0.0.53, UDP 40000 -> 53 (8 payload bytes).
Bytes Ipv4Udp() {
    return {0x45, 0,  0,    36,   0,    1,    0, 0,  64, 17, 0, 0, 10, 0, 0, 5, 10, 0,
            0,    53, 0x9c, 0x40, 0x00, 0x35, 0, 16, 0,  0,  1, 2, 3,  4, 5, 6, 7,  8};
}

// IPv6 fe80::1 -> fe80::2, TCP 1234 -> 80 with SYN set.
Bytes Ipv6TcpSyn() {
    Bytes b = {0x60, 0, 0, 0, 0, 20, 6, 64};
    const Bytes src = {0xfe, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    Bytes dst = src;
    dst[15] = 2;
    b.insert(b.end(), src.begin(), src.end());
    b.insert(b.end(), dst.begin(), dst.end());
    const Bytes tcp = {0x04, 0xd2, 0x00, 0x50, 0, 0, 0, 1, 0, 0, 0, 0, 0x50, 0x02, 0xff, 0xff, 0, 0, 0, 0};
    b.insert(b.end(), tcp.begin(), tcp.end());
    return b;
}

Bytes Ethernet(std::uint16_t type, const Bytes& payload, bool vlan = false) {
    Bytes b = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x02, 0, 0, 0, 0, 1};
    if (vlan) b.insert(b.end(), {0x81, 0x00, 0x00, 0x07});
    b.push_back(static_cast<std::uint8_t>(type >> 8));
    b.push_back(static_cast<std::uint8_t>(type));
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

// ARP request: who has 10.0.0.1, tell 10.0.0.5.
Bytes Arp() { return {0, 1, 8, 0, 6, 4, 0, 1, 0x02, 0, 0, 0, 0, 1, 10, 0, 0, 5, 0, 0, 0, 0, 0, 0, 10, 0, 0, 1}; }

Bytes Sll(std::uint16_t protocol, const Bytes& payload) {
    Bytes b = {0, 0, 0, 1, 0, 6, 0x02, 0, 0, 0, 0, 1, 0, 0};
    b.push_back(static_cast<std::uint8_t>(protocol >> 8));
    b.push_back(static_cast<std::uint8_t>(protocol));
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

Bytes Sll2(std::uint16_t protocol, const Bytes& payload) {
    Bytes b = {0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 6, 0x02, 0, 0, 0, 0, 1, 0, 0};
    b[0] = static_cast<std::uint8_t>(protocol >> 8);
    b[1] = static_cast<std::uint8_t>(protocol);
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

capture::CPktSnapQue Frame(std::uint32_t linkCode, const Bytes& data) {
    capture::CPktSnapQue frame;
    frame.SetLinkProtocol(linkCode);
    frame.SetData(data);
    frame.SetCapturedLength(static_cast<std::uint32_t>(data.size()));
    frame.SetTotalLength(static_cast<std::uint32_t>(data.size()));
    return frame;
}

struct Case {
    const char* name;
    capture::CPktSnapQue frame;
};

std::vector<Case> Frames() {
    return {{"ether-udp", Frame(capture::kLinkEthernet, Ethernet(0x0800, Ipv4Udp()))},
            {"vlan-arp", Frame(capture::kLinkEthernet, Ethernet(0x0806, Arp(), true))},
            {"ether-ip6-syn", Frame(capture::kLinkEthernet, Ethernet(0x86dd, Ipv6TcpSyn()))},
            {"sll-udp", Frame(capture::kLinkLinuxSll, Sll(0x0800, Ipv4Udp()))},
            {"sll2-ip6-syn", Frame(capture::kLinkLinuxSll2, Sll2(0x86dd, Ipv6TcpSyn()))},
            {"raw-udp", Frame(capture::kLinkIpv4, Ipv4Udp())},
            {"raw-ip6-syn", Frame(capture::kLinkIpv6, Ipv6TcpSyn())},
            {"unknown-link", Frame(99, Ipv4Udp())}};
}

TEST(FrameFilter, MatchesByTheProgramOfEachFramesLinkType) {
    // Per expression: the frames of Frames() that match, in its order.
    const struct {
        const char* expression;
        std::vector<std::string> matching;
    } table[] = {
        {"", {"ether-udp", "vlan-arp", "ether-ip6-syn", "sll-udp", "sll2-ip6-syn", "raw-udp", "raw-ip6-syn"}},
        {"host 10.0.0.5 and udp port 53", {"ether-udp", "sll-udp", "raw-udp"}},
        {"udp dst port 53 and src host 10.0.0.53", {}},
        {"ip6", {"ether-ip6-syn", "sll2-ip6-syn", "raw-ip6-syn"}},
        {"tcp[tcpflags] & tcp-syn != 0", {}},  // tcp[] looks at IPv4 only
        {"ip6 and tcp dst port 80", {"ether-ip6-syn", "sll2-ip6-syn", "raw-ip6-syn"}},
        {"arp", {}},  // the ARP frame is tagged: only "vlan and arp" reaches it
        {"vlan and arp", {"vlan-arp"}},
        {"vlan 7", {"vlan-arp"}},
        // Raw IP has no link-layer addresses: the test cannot apply there.
        {"ether src 02:00:00:00:00:01", {"ether-udp", "vlan-arp", "ether-ip6-syn"}},
        {"not udp", {"vlan-arp", "ether-ip6-syn", "sll2-ip6-syn", "raw-ip6-syn"}},
        {"greater 60", {"ether-ip6-syn", "sll2-ip6-syn", "raw-ip6-syn"}},
    };
    const auto frames = Frames();
    for (const auto& row : table) {
        SCOPED_TRACE(row.expression);
        const auto filter = filter::FrameFilter::Compile(row.expression);
        ASSERT_TRUE(filter.Ok()) << filter.Err().text;
        std::vector<std::string> matching;
        for (const auto& c : frames)
            if (filter.Value().Matches(c.frame)) matching.emplace_back(c.name);
        EXPECT_EQ(matching, row.matching);
    }
}

TEST(FrameFilter, RefusesABadExpressionWithLibpcapsMessage) {
    const struct {
        const char* expression;
        const char* message;  // part of what libpcap says
    } table[] = {
        {"udp port", "syntax error"},
        {"host 10.0.0.300", "10.0.0.300"},
        {"tcp port nosuchservice", "nosuchservice"},
        {"portrange 9-", "syntax error"},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.expression);
        const auto filter = filter::FrameFilter::Compile(row.expression);
        ASSERT_FALSE(filter.Ok());
        EXPECT_NE(filter.Err().text.find(row.message), std::string::npos) << filter.Err().text;
    }
}

TEST(FrameFilter, AppliesOnlyToTheLinkTypesItCompiledFor) {
    const auto ether = filter::FrameFilter::Compile("ether broadcast");
    ASSERT_TRUE(ether.Ok());
    EXPECT_TRUE(ether.Value().Applies(capture::kLinkEthernet));
    EXPECT_FALSE(ether.Value().Applies(capture::kLinkIpv4));
    EXPECT_FALSE(ether.Value().Applies(capture::kLinkIpv6));
    EXPECT_FALSE(ether.Value().Applies(99));
    EXPECT_FALSE(ether.Value().Applies(0xFFFFFFFF));
}

TEST(FrameFilter, CompilesAndMatchesFromSeveralThreadsAtOnce) {
    // pcap_compile is serialised inside; matching shares nothing.
    std::vector<std::thread> threads;
    std::vector<int> counts(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &counts] {
            const auto frames = Frames();
            for (int i = 0; i < 50; ++i) {
                const auto filter = filter::FrameFilter::Compile(t % 2 == 0 ? "udp port 53" : "ip6 and tcp");
                if (!filter.Ok()) return;
                for (const auto& c : frames)
                    counts[static_cast<std::size_t>(t)] += filter.Value().Matches(c.frame) ? 1 : 0;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(counts, (std::vector<int>{150, 150, 150, 150}));
}

}  // namespace
