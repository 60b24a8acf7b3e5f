// A few long-lived threads that turn serialised batches into peek results. Each thread keeps
// its compressor, so a bulk import does not set one up (and fault in its memory) per block.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "core/Result.h"

namespace capture {

class PackPool {
public:
    using Packed = core::Result<std::vector<std::uint8_t>>;

    PackPool(unsigned workers, int level);
    // Finishes the queued batches, then joins the threads.
    ~PackPool();
    PackPool(const PackPool&) = delete;
    PackPool& operator=(const PackPool&) = delete;

    // serialized: one serialised batch of frameCount frames.
    std::future<Packed> Pack(std::vector<std::uint8_t> serialized, std::uint32_t frameCount);

private:
    struct Job {
        std::vector<std::uint8_t> bytes;
        std::uint32_t frameCount = 0;
        std::promise<Packed> done;
    };
    void Work();

    int m_level;
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<Job> m_jobs;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

}  // namespace capture
