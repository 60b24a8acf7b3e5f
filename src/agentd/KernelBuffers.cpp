// Kernel buffers: halves of what is left, within bounds.
#include "KernelBuffers.h"

#include <algorithm>
#include <utility>

namespace agentd {

KernelBuffers::Grant KernelBuffers::Reserve() {
    std::lock_guard lock(m_mutex);
    const std::size_t left = m_part > m_granted ? m_part - m_granted : 0;
    const std::size_t bytes = std::clamp(left / 2, m_least, std::max(m_least, m_most));
    m_granted += bytes;
    return Grant(shared_from_this(), bytes);
}

std::size_t KernelBuffers::Granted() const {
    std::lock_guard lock(m_mutex);
    return m_granted;
}

void KernelBuffers::GiveBack(std::size_t bytes) {
    std::lock_guard lock(m_mutex);
    m_granted -= std::min(bytes, m_granted);
}

KernelBuffers::Grant::~Grant() {
    if (m_pool) m_pool->GiveBack(m_bytes);
}

KernelBuffers::Grant::Grant(Grant&& other) noexcept
    : m_pool(std::move(other.m_pool)),
      m_bytes(std::exchange(other.m_bytes, 0)) {}

KernelBuffers::Grant& KernelBuffers::Grant::operator=(Grant&& other) noexcept {
    if (this != &other) {
        if (m_pool) m_pool->GiveBack(m_bytes);
        m_pool = std::move(other.m_pool);
        m_bytes = std::exchange(other.m_bytes, 0);
    }
    return *this;
}

}  // namespace agentd
