// The BPF expression a live snapper puts on its capture handle, so the kernel drops early
// what the agent would drop anyway, and above all the agent's own traffic: the replies of a
// capture on the interface the managers reach it through would otherwise be captured, each
// peek holding the frames of the one before.
//
// The expression never drops a frame the capture filter would keep: VLAN-tagged frames and
// frames whose headers are cut short are left to the capture filter, and each test reads only
// bytes it has first checked are there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "CaptureFilter.h"

namespace agentd {

// The agent's own connections: a segment from one of its addresses and ports, or to one. Only
// these are its own: frames between two other hosts on the same port numbers are captured.
struct AgentEndpoints {
    std::vector<std::uint32_t> addresses;  // IPv4, host order; empty: not known, the ports alone decide
    std::vector<std::uint16_t> ports;      // the capture interface and the endpoint mapper
};

// The addresses the agent's connections can have on this host: the address it listens on, or,
// listening on every address (0), every IPv4 address of every interface as they are now.
std::vector<std::uint32_t> OwnAddresses(std::uint32_t listen);

// An empty string when nothing is to be filtered.
std::string KernelFilterExpression(const CaptureFilter& filter, const AgentEndpoints& agent);

}  // namespace agentd
