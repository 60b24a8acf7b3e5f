// The reply pool: a few buffers, handed out largest-fitting first, freed beyond what it keeps.
#include "ReplyPool.h"

#include <algorithm>

namespace agentd {

std::unique_ptr<StubBytes> ReplyPool::Take(std::size_t capacity) {
    {
        std::lock_guard lock(m_mutex);
        const auto fits =
            std::find_if(m_kept.begin(), m_kept.end(), [&](const auto& kept) { return kept->Allocated() >= capacity; });
        if (fits != m_kept.end()) {
            auto reply = std::move(*fits);
            m_kept.erase(fits);
            m_keptBytes -= reply->Allocated();
            return reply;
        }
    }
    return std::make_unique<StubBytes>(capacity);
}

SharedStub ReplyPool::Share(std::unique_ptr<StubBytes> reply) {
    return SharedStub(reply.release(), [pool = weak_from_this()](const StubBytes* done) {
        auto* bytes = const_cast<StubBytes*>(done);  // NOLINT(cppcoreguidelines-pro-type-const-cast): ours again
        if (const auto owner = pool.lock())
            owner->GiveBack(bytes);
        else
            delete bytes;  // NOLINT(cppcoreguidelines-owning-memory): the shared pointer owned it
    });
}

void ReplyPool::GiveBack(StubBytes* reply) {
    std::unique_ptr<StubBytes> owned(reply);
    std::lock_guard lock(m_mutex);
    if (m_kept.size() >= m_keep) return;
    m_keptBytes += owned->Allocated();
    m_kept.push_back(std::move(owned));
}

void ReplyPool::Clear() {
    std::vector<std::unique_ptr<StubBytes>> freed;
    std::lock_guard lock(m_mutex);
    freed.swap(m_kept);
    m_keptBytes = 0;
}

}  // namespace agentd
