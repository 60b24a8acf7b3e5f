// Pack pool: each batch is one job, its result handed back through a promise.
#include "capture/PackPool.h"

#include <memory>

#include "capture/BatchPacker.h"

namespace capture {

std::future<PackPool::Packed> PackPool::Pack(std::vector<std::uint8_t> serialized, std::uint32_t frameCount) {
    auto done = std::make_shared<std::promise<Packed>>();
    auto future = done->get_future();
    m_queue.Post([this, done, bytes = std::move(serialized), frameCount] {
        done->set_value(PackSerialized(bytes, frameCount, m_level));
    });
    return future;
}

}  // namespace capture
