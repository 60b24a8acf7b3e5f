// The agent's capture filter: the layers a frame is identified to carry, and the rule that
// decides, from a received capture configuration, whether the frame is kept.
//
// A frame's identified layers are Ethernet (every frame of an Ethernet link), IPv4 (EtherType
// 0x0800, after up to two VLAN tags), TCP or UDP (IPv4 protocol 6 or 17), and, in a first
// fragment, at most one application layer by either port: Telnet 23, FTP 21, SMTP 25,
// POP3 110, HTTP 80 and DNS 53 over TCP; DNS 53 and NetBios Name Service 137 over UDP.
//
// "Included" (filter type 0) keeps a frame when every layer it carries is checked, so
// clearing TCP drops all TCP traffic while clearing HTTP drops only HTTP. "Excluded" (any
// other filter type) keeps a frame when none of its layers is checked. The defaults (every
// box checked, Included) keep everything.
//
// The lists choose stations, whatever the filter type: with a first Ethernet address list,
// only frames from or to one of its addresses are kept; with a second list as well, only
// frames between an address of the first and one of the second. The two 32-bit lists do the
// same with IPv4 addresses (10.0.0.1 is 0x0A000001), and then only IPv4 frames are kept.
// The option words are ignored.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <unordered_set>
#include <vector>

#include "capture/CPktSnapConf.h"

namespace agentd {

class CaptureFilter {
public:
    enum Layer : std::uint32_t {
        kEthernet = 1U << 0,
        kIpv4 = 1U << 1,
        kTcp = 1U << 2,
        kUdp = 1U << 3,
        kTelnet = 1U << 4,
        kFtp = 1U << 5,
        kSmtp = 1U << 6,
        kPop3 = 1U << 7,
        kDns = 1U << 8,
        kHttp = 1U << 9,
        kNbns = 1U << 10,
    };

    // Keeps everything.
    CaptureFilter() = default;
    explicit CaptureFilter(const capture::CPktSnapConf& conf);

    // The layers of an Ethernet frame's captured bytes (a short frame carries fewer).
    static std::uint32_t IdentifyLayers(std::span<const std::uint8_t> frame) noexcept;

    bool Passes(std::span<const std::uint8_t> frame) const noexcept {
        return PassesLayers(IdentifyLayers(frame)) && PassesStations(frame);
    }
    bool PassesStations(std::span<const std::uint8_t> frame) const noexcept;
    bool PassesLayers(std::uint32_t layers) const noexcept {
        return m_excluded ? (layers & m_checked) == 0 : (layers & ~m_checked) == 0;
    }
    // True when every frame passes, so the engine can skip identifying layers.
    bool PassesAll() const noexcept {
        return !m_excluded && m_checked == kAllLayers && m_firstMacs.empty() && m_firstIps.empty();
    }

    using Mac = std::array<std::uint8_t, 6>;
    const std::vector<Mac>& FirstMacs() const noexcept { return m_firstMacs; }
    const std::vector<Mac>& SecondMacs() const noexcept { return m_secondMacs; }
    const std::vector<std::uint32_t>& FirstIps() const noexcept { return m_firstIps; }
    const std::vector<std::uint32_t>& SecondIps() const noexcept { return m_secondIps; }
    // The layers whose presence drops a frame: unchecked ones when Included, checked ones
    // when Excluded.
    std::uint32_t DroppingLayers() const noexcept { return m_excluded ? m_checked : kAllLayers & ~m_checked; }

    static constexpr std::uint32_t kAllLayers = (1U << 11) - 1;

private:
    // The lists as the manager sent them (the kernel filter writes them out), and as sets: a
    // manager may name some 16,000 stations, and every frame is looked up in them.
    std::vector<Mac> m_firstMacs;
    std::vector<Mac> m_secondMacs;
    std::vector<std::uint32_t> m_firstIps;
    std::vector<std::uint32_t> m_secondIps;
    std::unordered_set<std::uint64_t> m_firstMacSet;
    std::unordered_set<std::uint64_t> m_secondMacSet;
    std::unordered_set<std::uint32_t> m_firstIpSet;
    std::unordered_set<std::uint32_t> m_secondIpSet;

    std::uint32_t m_checked = kAllLayers;
    bool m_excluded = false;
};

}  // namespace agentd
