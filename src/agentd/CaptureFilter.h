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
// box checked, Included) keep everything. The option words and the four lists are ignored.
#pragma once

#include <cstdint>
#include <span>

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

    bool Passes(std::span<const std::uint8_t> frame) const noexcept { return PassesLayers(IdentifyLayers(frame)); }
    bool PassesLayers(std::uint32_t layers) const noexcept {
        return m_excluded ? (layers & m_checked) == 0 : (layers & ~m_checked) == 0;
    }
    // True when every frame passes, so the engine can skip identifying layers.
    bool PassesAll() const noexcept { return !m_excluded && m_checked == kAllLayers; }

private:
    static constexpr std::uint32_t kAllLayers = (1U << 11) - 1;

    std::uint32_t m_checked = kAllLayers;
    bool m_excluded = false;
};

}  // namespace agentd
