// A bounded queue of loaded blocks between one loading thread and the decoding thread. The
// bound is both a number of batches and the bytes they hold.
#include "cli/BlockPrefetch.h"

namespace cli {

BlockPrefetch::BlockPrefetch(capture::TraceReader& reader, const decode::CPktParsers* parsers, std::size_t depth,
                             BrokenBlock onBroken, std::size_t budget)
    : m_reader(reader),
      m_onBroken(std::move(onBroken)),
      m_budget(budget) {
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

void BlockPrefetch::Push(Loaded loaded) {
    {
        std::scoped_lock lock(m_mutex);
        m_ready.push_back(std::move(loaded));
    }
    m_changed.notify_all();
}

capture::CPktSnap* BlockPrefetch::WaitForRoom(std::size_t bytes) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_stop || (!m_free.empty() && (m_held == 0 || m_held + bytes <= m_budget)); });
    if (m_stop) return nullptr;
    capture::CPktSnap* batch = m_free.front();
    m_free.pop_front();
    m_held += bytes;
    return batch;
}

void BlockPrefetch::Run() {
    try {
        Load();
    } catch (const std::exception& e) {
        // Out of memory for a block: say so and end the listing there.
        Push(Loaded{nullptr, std::string("cannot load the next block: ") + e.what(), 0});
        Push(Loaded{});
    }
}

void BlockPrefetch::Load() {
    for (;;) {
        auto fetched = m_reader.Fetch(capture::TraceReader::Move::Next);
        if (!fetched) {
            Push(Loaded{nullptr, fetched.Err().text, 0});
            auto passed = m_reader.PassBrokenBlock();
            if (passed && passed.Value()) continue;
            if (!passed) Push(Loaded{nullptr, passed.Err().text, 0});
            Push(Loaded{});
            return;
        }
        if (!fetched.Value()) {
            Push(Loaded{});
            return;
        }
        const capture::RawBlock& block = *fetched.Value();
        capture::CPktSnap* batch = WaitForRoom(block.inflatedSize);
        if (batch == nullptr) return;
        std::vector<std::uint8_t> inflated;
        auto st = capture::TraceReader::Inflate(block, inflated);
        if (st) st = capture::TraceReader::LoadBatch(block, std::move(inflated), *batch);
        // On display or passed over: either way the next move goes beyond this block.
        m_reader.Accept(block);
        if (st) {
            Push(Loaded{batch, {}, block.inflatedSize});
            continue;
        }
        {
            std::scoped_lock lock(m_mutex);
            m_free.push_back(batch);
            m_held -= block.inflatedSize;
        }
        Push(Loaded{nullptr, st.Err().text, 0});
    }
}

const capture::CPktSnap* BlockPrefetch::Next() {
    std::unique_lock lock(m_mutex);
    if (m_inUse.batch != nullptr) {
        m_inUse.batch->RemoveAllFrames();  // its memory goes back before the next block loads
        m_free.push_back(m_inUse.batch);
        m_held -= m_inUse.bytes;
        m_inUse = Loaded{};
        m_changed.notify_all();
    }
    for (;;) {
        m_changed.wait(lock, [this] { return !m_ready.empty(); });
        // The end stays at the front, so every later call answers the same.
        if (m_ready.front().batch == nullptr && m_ready.front().error.empty()) return nullptr;
        Loaded front = std::move(m_ready.front());
        m_ready.pop_front();
        if (front.batch != nullptr) {
            m_inUse = std::move(front);
            return m_inUse.batch;
        }
        if (m_onBroken) {
            lock.unlock();
            m_onBroken(front.error);
            lock.lock();
        }
    }
}

}  // namespace cli
