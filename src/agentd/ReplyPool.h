// Reply buffers used again: a peek's reply, once its client has read it, goes back to its
// snapper's pool and the next batch is packed straight into it, into pages already mapped.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

#include "RpcInterface.h"

namespace agentd {

class ReplyPool : public std::enable_shared_from_this<ReplyPool> {
public:
    explicit ReplyPool(std::size_t keep) : m_keep(keep) {}

    // A buffer of at least `capacity` bytes: a kept one when one is large enough.
    std::unique_ptr<StubBytes> Take(std::size_t capacity);
    // The reply, shared; its buffer comes back here when the last holder lets it go (or is
    // freed, when the pool is gone or full).
    SharedStub Share(std::unique_ptr<StubBytes> reply);
    // Frees every kept buffer.
    void Clear();
    // What the kept buffers hold.
    std::size_t KeptBytes() const noexcept { return m_keptBytes.load(); }

private:
    void GiveBack(StubBytes* reply);

    std::size_t m_keep;
    mutable std::mutex m_mutex;
    std::vector<std::unique_ptr<StubBytes>> m_kept;
    std::atomic<std::size_t> m_keptBytes{0};
};

}  // namespace agentd
