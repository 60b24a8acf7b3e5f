// Agent binding table: reference-counted entries keyed by host.
#include "session/AgentBindingTable.h"

#include "platform/TcpSocket.h"

namespace session {

std::string AgentBindingTable::KeyOf(std::uint32_t address) { return platform::FormatIPv4(address); }

AgentBindingTable::Acquired AgentBindingTable::Acquire(const std::string& host) {
    std::scoped_lock lock(m_mutex);
    auto [it, added] = m_entries.try_emplace(host);
    ++it->second.references;
    return {it->second.binding.get(), !added};
}

rpc::BindingHandle* AgentBindingTable::SetBinding(const std::string& host,
                                                  std::unique_ptr<rpc::BindingHandle> binding) {
    std::scoped_lock lock(m_mutex);
    const auto it = m_entries.find(host);
    if (it == m_entries.end()) return nullptr;
    // A binding that windows already borrow is never replaced under them.
    if (!it->second.binding) it->second.binding = std::move(binding);
    return it->second.binding.get();
}

AgentBindingTable::Released AgentBindingTable::Release(const std::string& host) {
    std::scoped_lock lock(m_mutex);
    Released out;
    const auto it = m_entries.find(host);
    if (it == m_entries.end()) return out;
    if (--it->second.references > 0) return out;
    out.last = true;
    out.binding = std::move(it->second.binding);
    m_entries.erase(it);
    return out;
}

std::uint32_t AgentBindingTable::References(const std::string& host) const {
    std::scoped_lock lock(m_mutex);
    const auto it = m_entries.find(host);
    return it == m_entries.end() ? 0 : it->second.references;
}

}  // namespace session
