// A filter expression in the capture-filter syntax people know from tcpdump ("host 10.0.0.5
// and udp port 53", "vlan and tcp[tcpflags] & tcp-syn != 0", "ip6", "arp"), compiled by
// libpcap into one BPF program for each link type a trace file can hold, and run over a
// frame's captured bytes with the program of the frame's own link type.
//
// An expression that compiles for no link type is refused with libpcap's message; one that
// compiles for some link types only (an "ether" test has no meaning for raw IP) matches no
// frame of the others. Matching touches no shared state, so one filter may serve several
// threads at once.
#pragma once

#include <pcap/pcap.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "capture/CPktSnapQue.h"
#include "core/Result.h"

namespace filter {

class FrameFilter {
public:
    // The programs of every link type, or libpcap's message when the expression compiles
    // for none of them (kind Unsupported). An empty expression matches every frame.
    static core::Result<FrameFilter> Compile(const std::string& expression);

    bool Matches(const capture::CPktSnapQue& frame) const noexcept;
    const std::string& Expression() const noexcept { return m_expression; }
    // Whether frames of the link code can match at all.
    bool Applies(std::uint32_t linkCode) const noexcept;

private:
    // Link codes are small numbers: a program by code, none for a code no link type holds
    // or the expression does not apply to.
    static constexpr std::size_t kCodes = 16;

    std::string m_expression;
    std::array<std::shared_ptr<const bpf_program>, kCodes> m_programs;
};

}  // namespace filter
