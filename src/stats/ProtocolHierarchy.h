// The protocol hierarchy: every path of layers seen (Ethernet / IPv4 / UDP / DNS), with the
// frames and bytes of the frames that went through each. A node counts every frame whose
// layers pass through it, so a parent holds at least what its children hold.
//
// The number of paths is bounded by the decoders themselves: a frame has at most a link
// layer, eight VLAN tags, four IP headers, a transport and an application layer, each from
// a short list, so hostile input cannot grow the tree without bound.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "decode/ProtoCode.h"
#include "stats/FrameSample.h"

namespace stats {

struct ProtocolNode {
    decode::ProtoCode code = decode::PROTO_NONE;  // the protocol (a reply counts as its command)
    std::uint32_t parent = 0;                     // index of the parent; the root is its own
    std::uint32_t depth = 0;                      // 0 for the root, 1 for the link layers
    std::uint64_t frames = 0;
    std::uint64_t bytes = 0;
    std::vector<std::uint32_t> children;  // in the order first seen
};

class ProtocolHierarchy {
public:
    ProtocolHierarchy();
    void Add(std::span<const decode::ProtoCode> layers, const FrameSample& frame);

    // Node 0 is the root: every frame counted, whatever its layers.
    const std::vector<ProtocolNode>& Nodes() const noexcept { return m_nodes; }
    // "IPv4", "ICMPv6"...
    std::string Name(std::uint32_t node) const;
    // "Ethernet/IPv4/UDP/DNS".
    std::string Path(std::uint32_t node) const;
    // Depth first, children by frames (most first), the root left out: the order of a listing.
    std::vector<std::uint32_t> ListingOrder() const;

private:
    std::uint32_t Child(std::uint32_t parent, decode::ProtoCode code);
    std::vector<ProtocolNode> m_nodes;
};

}  // namespace stats
