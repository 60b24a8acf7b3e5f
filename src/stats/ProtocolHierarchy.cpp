// Protocol hierarchy counting.
#include "stats/ProtocolHierarchy.h"

#include <algorithm>

#include "decode/ProtocolNames.h"

namespace stats {

ProtocolHierarchy::ProtocolHierarchy() { m_nodes.emplace_back(); }

std::uint32_t ProtocolHierarchy::Child(std::uint32_t parent, decode::ProtoCode code) {
    for (const std::uint32_t c : m_nodes[parent].children)
        if (m_nodes[c].code == code) return c;
    const auto index = static_cast<std::uint32_t>(m_nodes.size());
    ProtocolNode node;
    node.code = code;
    node.parent = parent;
    node.depth = m_nodes[parent].depth + 1;
    m_nodes.push_back(std::move(node));
    m_nodes[parent].children.push_back(index);
    return index;
}

void ProtocolHierarchy::Add(std::span<const decode::ProtoCode> layers, const FrameSample& frame) {
    std::uint32_t node = 0;
    m_nodes[0].frames += 1;
    m_nodes[0].bytes += frame.bytes;
    for (const decode::ProtoCode code : layers) {
        node = Child(node, decode::ProtocolOf(code));
        m_nodes[node].frames += 1;
        m_nodes[node].bytes += frame.bytes;
    }
}

std::string ProtocolHierarchy::Name(std::uint32_t node) const {
    const ProtocolNode& n = m_nodes[node];
    if (node == 0) return "Frames";
    return std::string(decode::ProtocolName(n.code, n.parent == 0 ? decode::PROTO_NONE : m_nodes[n.parent].code));
}

std::string ProtocolHierarchy::Path(std::uint32_t node) const {
    std::vector<std::uint32_t> up;
    for (std::uint32_t n = node; n != 0; n = m_nodes[n].parent) up.push_back(n);
    std::string path;
    for (auto it = up.rbegin(); it != up.rend(); ++it) {
        if (!path.empty()) path.push_back('/');
        path += Name(*it);
    }
    return path;
}

std::vector<std::uint32_t> ProtocolHierarchy::ListingOrder() const {
    std::vector<std::uint32_t> order;
    order.reserve(m_nodes.size());
    std::vector<std::uint32_t> stack = {0};
    while (!stack.empty()) {
        const std::uint32_t n = stack.back();
        stack.pop_back();
        if (n != 0) order.push_back(n);
        std::vector<std::uint32_t> children = m_nodes[n].children;
        // Most frames first; ties keep the order first seen. Pushed last to first, so the
        // first comes off the stack first.
        std::stable_sort(children.begin(), children.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return m_nodes[a].frames > m_nodes[b].frames; });
        stack.insert(stack.end(), children.rbegin(), children.rend());
    }
    return order;
}

}  // namespace stats
