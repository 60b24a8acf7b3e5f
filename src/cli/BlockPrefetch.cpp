// A bounded queue of loaded blocks between one loading thread and the decoding thread.
#include "cli/BlockPrefetch.h"

namespace cli {

BlockPrefetch::BlockPrefetch(capture::TraceReader& reader, const decode::CPktParsers* parsers, std::size_t depth)
    : m_reader(reader) {
    // One batch being decoded, depth ready or loading.
    for (std::size_t i = 0; i < depth + 1; ++i) {
        m_batches.push_back(std::make_unique<capture::CPktSnap>(parsers));
        m_free.push_back(m_batches.back().get());
    }
    m_thread = std::thread([this] { Run(); });
}

BlockPrefetch::~BlockPrefetch() {
    {
        std::scoped_lock lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void BlockPrefetch::Run() {
    for (;;) {
        capture::CPktSnap* batch = nullptr;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_stop || !m_free.empty(); });
            if (m_stop) return;
            batch = m_free.front();
            m_free.pop_front();
        }
        auto moved = m_reader.Go(capture::TraceReader::Move::Next, *batch);
        Loaded loaded;
        if (!moved) {
            loaded.error = moved.Err().text;
        } else if (moved.Value()) {
            loaded.batch = batch;
        }
        const bool last = loaded.batch == nullptr;
        {
            std::scoped_lock lock(m_mutex);
            if (last) m_free.push_back(batch);
            m_ready.push_back(std::move(loaded));
        }
        m_changed.notify_all();
        if (last) return;
    }
}

const capture::CPktSnap* BlockPrefetch::Next() {
    std::unique_lock lock(m_mutex);
    if (m_inUse != nullptr) {
        m_free.push_back(m_inUse);
        m_inUse = nullptr;
        m_changed.notify_all();
    }
    m_changed.wait(lock, [this] { return !m_ready.empty(); });
    // The end stays at the front, so every later call answers the same.
    const Loaded& front = m_ready.front();
    if (front.batch == nullptr) {
        m_error = front.error;
        return nullptr;
    }
    m_inUse = front.batch;
    m_ready.pop_front();
    return m_inUse;
}

}  // namespace cli
