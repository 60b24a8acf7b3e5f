// Group numbers from the kernel's random source; a group lives as long as something holds it.
#include "AssociationGroups.h"

#include <sys/random.h>

#include <cerrno>
#include <random>

namespace agentd {

namespace {

std::uint32_t RandomId() {
    std::uint32_t id = 0;
    for (;;) {
        if (::getrandom(&id, sizeof id, 0) == static_cast<ssize_t>(sizeof id)) return id;
        if (errno != EINTR) break;
    }
    std::random_device device;  // a kernel without getrandom
    return static_cast<std::uint32_t>(device());
}

}  // namespace

GroupRef AssociationGroups::Join(std::uint32_t requested) {
    std::lock_guard lock(m_mutex);
    std::erase_if(m_groups, [](const auto& entry) { return entry.second.expired(); });
    if (requested != 0) {
        if (const auto found = m_groups.find(requested); found != m_groups.end())
            if (auto group = found->second.lock()) return group;
    }
    std::uint32_t id = RandomId();
    while (id == 0 || m_groups.contains(id)) id = RandomId();
    auto group = std::make_shared<const AssociationGroup>(AssociationGroup{id});
    m_groups[id] = group;
    return group;
}

}  // namespace agentd
