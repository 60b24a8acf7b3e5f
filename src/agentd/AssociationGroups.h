// The association groups of one listener. A DCE RPC client that reconnects names the group it
// was given (bind's assoc_group_id) to come back into it, and the agent's snappers belong to a
// group, not to an address: another client on the same host, or behind the same tunnel, is
// another group. The agent hands out numbers nobody can guess and lets a bind join only a
// group that still lives (a connection or a snapper holds it); any other number gets a new one.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace agentd {

struct AssociationGroup {
    std::uint32_t id = 0;
};
using GroupRef = std::shared_ptr<const AssociationGroup>;

class AssociationGroups {
public:
    // The group a bind that asks for `requested` (0: none) joins: that one while it lives,
    // else a new one.
    GroupRef Join(std::uint32_t requested);

private:
    std::mutex m_mutex;
    std::map<std::uint32_t, std::weak_ptr<const AssociationGroup>> m_groups;
};

}  // namespace agentd
