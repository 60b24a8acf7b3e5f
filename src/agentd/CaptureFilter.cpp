// Layer identification over a frame's bytes through the bounded reader, and the
// include/exclude rule of the capture filter.
#include "CaptureFilter.h"

#include <algorithm>

#include "core/ByteReader.h"

namespace agentd {

namespace {

constexpr std::uint16_t kEtherTypeIpv4 = 0x0800;
constexpr std::uint16_t kEtherTypeVlan = 0x8100;
constexpr std::uint16_t kEtherTypeQinQ = 0x88A8;
constexpr std::size_t kMacPair = 12;
constexpr std::uint8_t kProtoTcp = 6;
constexpr std::uint8_t kProtoUdp = 17;
constexpr std::uint16_t kFragmentOffsetMask = 0x1FFF;

std::uint32_t TcpApplication(std::uint16_t port) noexcept {
    switch (port) {
        case 23:
            return CaptureFilter::kTelnet;
        case 21:
            return CaptureFilter::kFtp;
        case 25:
            return CaptureFilter::kSmtp;
        case 110:
            return CaptureFilter::kPop3;
        case 80:
            return CaptureFilter::kHttp;
        case 53:
            return CaptureFilter::kDns;
        default:
            return 0;
    }
}

std::uint32_t UdpApplication(std::uint16_t port) noexcept {
    switch (port) {
        case 53:
            return CaptureFilter::kDns;
        case 137:
            return CaptureFilter::kNbns;
        default:
            return 0;
    }
}

std::uint32_t Flag(std::uint32_t box, std::uint32_t layer) noexcept { return box != 0 ? layer : 0; }

std::uint64_t MacKey(std::span<const std::uint8_t> mac) noexcept {
    std::uint64_t key = 0;
    for (const auto b : mac) key = key << 8 | b;
    return key;
}

// A frame between a and b passes a first and a second station list.
template <class Set, class T>
bool Between(const T& a, const T& b, const Set& first, const Set& second) {
    if (first.empty()) return true;
    if (second.empty()) return first.contains(a) || first.contains(b);
    return (first.contains(a) && second.contains(b)) || (first.contains(b) && second.contains(a));
}

}  // namespace

CaptureFilter::CaptureFilter(const capture::CPktSnapConf& conf)
    : m_checked(Flag(conf.ethernet, kEthernet) | Flag(conf.ipv4, kIpv4) | Flag(conf.tcp, kTcp) | Flag(conf.udp, kUdp) |
                Flag(conf.telnet, kTelnet) | Flag(conf.ftp, kFtp) | Flag(conf.smtp, kSmtp) | Flag(conf.pop3, kPop3) |
                Flag(conf.dns, kDns) | Flag(conf.http, kHttp) | Flag(conf.nbns, kNbns)),
      m_excluded(conf.filterType != capture::CPktSnapConf::kIncluded) {
    for (const auto& a : conf.firstAddresses) m_firstMacs.push_back(a.Bytes());
    for (const auto& a : conf.secondAddresses) m_secondMacs.push_back(a.Bytes());
    m_firstIps = conf.firstList;
    m_secondIps = conf.secondList;
    for (const auto& a : m_firstMacs) m_firstMacSet.insert(MacKey(a));
    for (const auto& a : m_secondMacs) m_secondMacSet.insert(MacKey(a));
    m_firstIpSet.insert(m_firstIps.begin(), m_firstIps.end());
    m_secondIpSet.insert(m_secondIps.begin(), m_secondIps.end());
}

bool CaptureFilter::PassesStations(std::span<const std::uint8_t> frame) const noexcept {
    if (m_firstMacs.empty() && m_firstIps.empty()) return true;
    core::ByteReader in(frame);
    const std::uint64_t destination = MacKey(in.Bytes(6));
    const std::uint64_t source = MacKey(in.Bytes(6));
    if (in.Failed()) return false;
    if (!Between(source, destination, m_firstMacSet, m_secondMacSet)) return false;
    if (m_firstIps.empty()) return true;
    std::uint16_t type = in.Be16();
    for (int tags = 0; tags < 2 && (type == kEtherTypeVlan || type == kEtherTypeQinQ); ++tags) {
        in.Skip(2);
        type = in.Be16();
    }
    const std::uint8_t versionAndLength = in.U8();
    in.Skip(11);
    const std::uint32_t from = in.Be32();
    const std::uint32_t to = in.Be32();
    if (in.Failed() || type != kEtherTypeIpv4 || (versionAndLength >> 4) != 4 || (versionAndLength & 0x0F) < 5)
        return false;
    return Between(from, to, m_firstIpSet, m_secondIpSet);
}

std::uint32_t CaptureFilter::IdentifyLayers(std::span<const std::uint8_t> frame) noexcept {
    core::ByteReader in(frame);
    std::uint32_t layers = kEthernet;  // every frame of an Ethernet link, even a runt
    in.Skip(kMacPair);
    std::uint16_t type = in.Be16();
    for (int tags = 0; tags < 2 && (type == kEtherTypeVlan || type == kEtherTypeQinQ); ++tags) {
        in.Skip(2);
        type = in.Be16();
    }
    if (in.Failed() || type != kEtherTypeIpv4) return layers;

    const std::uint8_t versionAndLength = in.U8();
    const std::size_t headerLength = static_cast<std::size_t>(versionAndLength & 0x0F) * 4;
    if (in.Failed() || (versionAndLength >> 4) != 4 || headerLength < 20) return layers;
    layers |= kIpv4;
    in.Skip(5);
    const std::uint16_t fragment = in.Be16();
    in.Skip(1);
    const std::uint8_t protocol = in.U8();
    if (in.Failed()) return layers;
    const bool tcp = protocol == kProtoTcp;
    const bool udp = protocol == kProtoUdp;
    if (!tcp && !udp) return layers;
    layers |= tcp ? kTcp : kUdp;

    // Later fragments carry no ports; a header cut short names no application.
    if (!in.Skip(headerLength - 10) || (fragment & kFragmentOffsetMask) != 0) return layers;
    const std::uint16_t source = in.Be16();
    const std::uint16_t destination = in.Be16();
    if (in.Failed()) return layers;
    const auto application = tcp ? TcpApplication : UdpApplication;
    const std::uint32_t app = application(source);
    return layers | (app != 0 ? app : application(destination));
}

}  // namespace agentd
