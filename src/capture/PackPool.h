// A few long-lived threads that turn serialised batches into peek results. Each thread keeps
// its compressor, so a bulk import does not set one up (and fault in its memory) per block.
#pragma once

#include <cstdint>
#include <future>
#include <vector>

#include "core/Result.h"
#include "core/WorkQueue.h"

namespace capture {

class PackPool {
public:
    using Packed = core::Result<std::vector<std::uint8_t>>;

    // Destroying the pool finishes the queued batches, then joins the threads.
    PackPool(unsigned workers, int level) : m_level(level), m_queue(workers, core::WorkQueue::AtClose::RunQueued) {}

    // serialized: one serialised batch of frameCount frames.
    std::future<Packed> Pack(std::vector<std::uint8_t> serialized, std::uint32_t frameCount);

private:
    int m_level;
    core::WorkQueue m_queue;  // last: its threads use the level
};

}  // namespace capture
