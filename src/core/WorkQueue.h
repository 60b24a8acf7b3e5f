// Long-lived threads that run jobs from one queue, first come first served: the block loader
// of a capture window, the command line's block prefetch and the pack pool of an import. A
// job that waits on something of its own must also wake when its owner stops (the queue
// cannot interrupt it); the owner keeps the queue as its last member, so the threads are
// joined before anything a job uses goes.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace core {

class WorkQueue {
public:
    // What becomes of the jobs still queued when the queue is destroyed; the jobs in hand
    // always finish.
    enum class AtClose { RunQueued, DropQueued };

    WorkQueue(unsigned threads, AtClose atClose);
    ~WorkQueue();
    WorkQueue(const WorkQueue&) = delete;
    WorkQueue& operator=(const WorkQueue&) = delete;

    void Post(std::function<void()> job);

private:
    void Work();

    const AtClose m_atClose;
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<std::function<void()>> m_jobs;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

}  // namespace core
