// Work queue: a locked deque of jobs and one condition variable.
#include "core/WorkQueue.h"

namespace core {

WorkQueue::WorkQueue(unsigned threads, AtClose atClose) : m_atClose(atClose) {
    for (unsigned i = 0; i < (threads == 0 ? 1 : threads); ++i) m_threads.emplace_back([this] { Work(); });
}

WorkQueue::~WorkQueue() {
    std::deque<std::function<void()>> dropped;
    {
        std::scoped_lock lock(m_mutex);
        m_stopping = true;
        if (m_atClose == AtClose::DropQueued) dropped.swap(m_jobs);
    }
    m_ready.notify_all();
    dropped.clear();  // what the dropped jobs hold goes outside the lock, while the jobs in hand end
    for (auto& t : m_threads) t.join();
}

void WorkQueue::Post(std::function<void()> job) {
    {
        std::scoped_lock lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_ready.notify_one();
}

void WorkQueue::Work() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(m_mutex);
            m_ready.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_jobs.empty()) return;  // stopping, and nothing left to run
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        job();
    }
}

}  // namespace core
