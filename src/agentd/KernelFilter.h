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

struct AgentEndpoints {
    std::uint32_t address = 0;         // IPv4 the agent listens on, host order; 0: every address
    std::vector<std::uint16_t> ports;  // the capture interface and the endpoint mapper
};

// An empty string when nothing is to be filtered.
std::string KernelFilterExpression(const CaptureFilter& filter, const AgentEndpoints& agent);

}  // namespace agentd
