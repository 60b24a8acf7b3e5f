// Pack pool: a locked job queue and one condition variable.
#include "capture/PackPool.h"

#include "capture/BatchPacker.h"

namespace capture {

PackPool::PackPool(unsigned workers, int level) : m_level(level) {
    for (unsigned i = 0; i < (workers == 0 ? 1 : workers); ++i) m_threads.emplace_back([this] { Work(); });
}

PackPool::~PackPool() {
    {
        std::scoped_lock lock(m_mutex);
        m_stopping = true;
    }
    m_ready.notify_all();
    for (auto& t : m_threads) t.join();
}

std::future<PackPool::Packed> PackPool::Pack(std::vector<std::uint8_t> serialized, std::uint32_t frameCount) {
    Job job;
    job.bytes = std::move(serialized);
    job.frameCount = frameCount;
    auto future = job.done.get_future();
    {
        std::scoped_lock lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_ready.notify_one();
    return future;
}

void PackPool::Work() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_ready.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_jobs.empty()) return;  // stopping, and nothing left to do
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        job.done.set_value(PackSerialized(job.bytes, job.frameCount, m_level));
    }
}

}  // namespace capture
