// Agent binding table: reference-counted entries keyed by IPv4 address.
#include "session/AgentBindingTable.h"

namespace session {

AgentBindingTable::Acquired AgentBindingTable::Acquire(std::uint32_t address) {
    std::scoped_lock lock(m_mutex);
    auto [it, added] = m_entries.try_emplace(address);
    ++it->second.references;
    return {it->second.binding.get(), !added};
}

rpc::BindingHandle* AgentBindingTable::SetBinding(std::uint32_t address, std::unique_ptr<rpc::BindingHandle> binding) {
    std::scoped_lock lock(m_mutex);
    const auto it = m_entries.find(address);
    if (it == m_entries.end()) return nullptr;
    // A binding that windows already borrow is never replaced under them.
    if (!it->second.binding) it->second.binding = std::move(binding);
    return it->second.binding.get();
}

AgentBindingTable::Released AgentBindingTable::Release(std::uint32_t address) {
    std::scoped_lock lock(m_mutex);
    Released out;
    const auto it = m_entries.find(address);
    if (it == m_entries.end()) return out;
    if (--it->second.references > 0) return out;
    out.last = true;
    out.binding = std::move(it->second.binding);
    m_entries.erase(it);
    return out;
}

std::uint32_t AgentBindingTable::References(std::uint32_t address) const {
    std::scoped_lock lock(m_mutex);
    const auto it = m_entries.find(address);
    return it == m_entries.end() ? 0 : it->second.references;
}

}  // namespace session
