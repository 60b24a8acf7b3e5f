// The part of the agent's memory set aside for the kernel buffers of live captures. A capture
// that starts is granted half of what is left of the part, no more than the largest buffer
// and no less than the smallest: the first captures get buffers that carry them through long
// bursts, later ones smaller ones, and together they stay within the part (but for the
// smallest buffers of captures started once it is spent). A grant goes back when its capture
// ends.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>

namespace agentd {

class KernelBuffers : public std::enable_shared_from_this<KernelBuffers> {
public:
    // Bytes of a kernel buffer, handed back to the pool when destroyed.
    class Grant {
    public:
        Grant() = default;
        Grant(std::shared_ptr<KernelBuffers> pool, std::size_t bytes) noexcept
            : m_pool(std::move(pool)),
              m_bytes(bytes) {}
        ~Grant();
        Grant(Grant&& other) noexcept;
        Grant& operator=(Grant&& other) noexcept;
        Grant(const Grant&) = delete;
        Grant& operator=(const Grant&) = delete;
        std::size_t Bytes() const noexcept { return m_bytes; }

    private:
        std::shared_ptr<KernelBuffers> m_pool;
        std::size_t m_bytes = 0;
    };

    KernelBuffers(std::size_t part, std::size_t least, std::size_t most) noexcept
        : m_part(part),
          m_least(least),
          m_most(most) {}

    Grant Reserve();
    std::size_t Granted() const;

private:
    void GiveBack(std::size_t bytes);

    const std::size_t m_part;
    const std::size_t m_least;
    const std::size_t m_most;
    mutable std::mutex m_mutex;
    std::size_t m_granted = 0;
};

}  // namespace agentd
