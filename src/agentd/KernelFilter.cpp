// Building the BPF expression: the agent's own connections, the station lists, the layers.
#include "KernelFilter.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "core/Printf.h"

namespace agentd {

namespace {

// Lists longer than this are left to the capture filter: the expression would grow too long.
constexpr std::size_t kMaxListed = 64;

std::string Hex(std::uint32_t value) { return core::Printf("0x%08x", value); }

std::string Any(const std::vector<std::string>& terms) {
    if (terms.empty()) return "";
    std::string out = "(";
    for (std::size_t i = 0; i < terms.size(); ++i) out += (i == 0 ? "" : " or ") + terms[i];
    return out + ")";
}

std::string All(const std::vector<std::string>& terms) {
    std::string out = "(";
    for (std::size_t i = 0; i < terms.size(); ++i) out += (i == 0 ? "" : " and ") + terms[i];
    return out + ")";
}

// An untagged IPv4 frame without options whose TCP ports are there to read: the agent's own
// packets are always such frames.
constexpr const char* kPlainTcp =
    "(len >= 38 and ether proto 0x0800 and ether[14] = 0x45 and ether[23] = 6 and ether[20:2] & 0x1fff = 0)";

std::string SelfExclusion(const AgentEndpoints& agent) {
    if (agent.ports.empty()) return "";
    // One side of a segment: its address at addressAt, its port at portAt.
    auto own = [&](int addressAt, int portAt) {
        std::vector<std::string> addresses;
        std::vector<std::string> ports;
        for (const auto a : agent.addresses)
            addresses.push_back("ether[" + std::to_string(addressAt) + ":4] = " + Hex(a));
        for (const auto p : agent.ports)
            ports.push_back("ether[" + std::to_string(portAt) + ":2] = " + std::to_string(p));
        return addresses.empty() ? Any(ports) : All({Any(addresses), Any(ports)});
    };
    return "not " + All({kPlainTcp, Any({own(26, 34), own(30, 36)})});
}

std::string MacText(const CaptureFilter::Mac& mac) {
    return core::Printf("%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
}

template <class T, class Term>
std::string Stations(const std::vector<T>& first, const std::vector<T>& second, Term term) {
    if (first.empty() || first.size() + second.size() > kMaxListed) return "";
    auto side = [&](const std::vector<T>& list, bool source) {
        std::vector<std::string> terms;
        for (const auto& a : list) terms.push_back(term(a, source));
        return Any(terms);
    };
    if (second.empty()) return Any({side(first, true), side(first, false)});
    return Any({All({side(first, true), side(second, false)}), All({side(second, true), side(first, false)})});
}

// True only for untagged frames that carry the layer as the capture filter identifies it.
std::string LayerTest(std::uint32_t layer) {
    const std::string v4 = "(len >= 34 and ether proto 0x0800 and ether[14] & 0xf0 = 0x40 and ether[14] & 0x0f >= 5)";
    const std::string ports = "len >= 18 + (ether[14] & 0x0f) * 4 and ether[20:2] & 0x1fff = 0";
    struct App {
        std::uint32_t layer;
        bool tcp;
        std::uint16_t port;
    };
    static constexpr std::array<App, 8> kApps = {{{CaptureFilter::kTelnet, true, 23},
                                                  {CaptureFilter::kFtp, true, 21},
                                                  {CaptureFilter::kSmtp, true, 25},
                                                  {CaptureFilter::kPop3, true, 110},
                                                  {CaptureFilter::kHttp, true, 80},
                                                  {CaptureFilter::kDns, true, 53},
                                                  {CaptureFilter::kDns, false, 53},
                                                  {CaptureFilter::kNbns, false, 137}}};
    auto transport = [&](bool tcp) { return All({v4, std::string("ether[23] = ") + (tcp ? "6" : "17")}); };
    if (layer == CaptureFilter::kIpv4) return v4;
    if (layer == CaptureFilter::kTcp) return transport(true);
    if (layer == CaptureFilter::kUdp) return transport(false);
    std::vector<std::string> carriers;
    for (const auto& app : kApps) {
        if (app.layer != layer) continue;
        const std::string proto = app.tcp ? "tcp" : "udp";
        const std::string source = proto + "[0:2]";
        const std::string destination = proto + "[2:2]";
        // The source port names the application first; the destination only when the source names none.
        std::vector<std::string> others;
        for (const auto& other : kApps)
            if (other.tcp == app.tcp) others.push_back(source + " = " + std::to_string(other.port));
        carriers.push_back(All({transport(app.tcp), ports,
                                Any({source + " = " + std::to_string(app.port),
                                     All({destination + " = " + std::to_string(app.port), "not " + Any(others)})})}));
    }
    return Any(carriers);
}

std::string Layers(const CaptureFilter& filter) {
    const std::uint32_t dropping = filter.DroppingLayers();
    // Every frame carries Ethernet: that case (nothing passes) is the capture filter's.
    if (dropping == 0 || (dropping & CaptureFilter::kEthernet) != 0) return "";
    std::vector<std::string> tests;
    for (std::uint32_t layer = CaptureFilter::kIpv4; layer <= CaptureFilter::kNbns; layer <<= 1)
        if ((dropping & layer) != 0) tests.push_back(LayerTest(layer));
    return "not " + Any(tests);
}

}  // namespace

std::vector<std::uint32_t> OwnAddresses(std::uint32_t listen) {
    if (listen != 0) return {listen};
    std::vector<std::uint32_t> addresses;
    ifaddrs* all = nullptr;
    if (::getifaddrs(&all) != 0) return addresses;
    for (const ifaddrs* i = all; i != nullptr; i = i->ifa_next) {
        if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET) continue;
        sockaddr_in in{};
        std::memcpy(&in, i->ifa_addr, sizeof in);
        addresses.push_back(ntohl(in.sin_addr.s_addr));
    }
    ::freeifaddrs(all);
    std::sort(addresses.begin(), addresses.end());
    addresses.erase(std::unique(addresses.begin(), addresses.end()), addresses.end());
    return addresses;
}

std::string KernelFilterExpression(const CaptureFilter& filter, const AgentEndpoints& agent) {
    std::vector<std::string> parts;
    if (auto self = SelfExclusion(agent); !self.empty()) parts.push_back(self);
    // A runt or a tagged frame is left to the capture filter.
    const std::string tagged = "len < 14 or ether proto 0x8100 or ether proto 0x88a8";
    if (auto macs = Stations(filter.FirstMacs(), filter.SecondMacs(),
                             [](const CaptureFilter::Mac& a, bool source) {
                                 return std::string(source ? "ether src " : "ether dst ") + MacText(a);
                             });
        !macs.empty())
        parts.push_back(macs);
    if (auto ips = Stations(filter.FirstIps(), filter.SecondIps(),
                            [](std::uint32_t a, bool source) {
                                return std::string(source ? "ether[26:4] = " : "ether[30:4] = ") + Hex(a);
                            });
        !ips.empty())
        parts.push_back(Any({tagged, All({"len >= 34 and ether proto 0x0800 and ether[14] & 0xf0 = 0x40", ips})}));
    if (auto layers = Layers(filter); !layers.empty()) parts.push_back(Any({tagged, layers}));
    if (parts.empty()) return "";
    return All(parts);
}

}  // namespace agentd
