// Every free batch is a request to the loading thread for the next block that loads; the
// answers come back in file order. The bound is both the number of batches and the bytes
// they hold.
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
        Request(m_batches.back().get());
    }
}

BlockPrefetch::~BlockPrefetch() {
    {
        std::scoped_lock lock(m_mutex);
        m_stop = true;
    }
    m_roomMade.notify_all();
    // m_loader goes next: the load in hand ends, the rest are dropped.
}

void BlockPrefetch::Request(capture::CPktSnap* batch) {
    auto answer = std::make_shared<std::promise<Loaded>>();
    m_requested.push_back(answer->get_future());
    m_loader.Post([this, batch, answer] {
        try {
            answer->set_value(LoadNext(*batch));
        } catch (const std::exception& e) {
            // Out of memory for a block: say so and end the listing there.
            m_readerDone = true;
            answer->set_value(Loaded{{std::string("cannot load the next block: ") + e.what()}, nullptr, 0});
        }
    });
}

bool BlockPrefetch::WaitForRoom(std::size_t bytes) {
    std::unique_lock lock(m_mutex);
    m_roomMade.wait(lock, [&] { return m_stop || m_held == 0 || m_held + bytes <= m_budget; });
    if (m_stop) return false;
    m_held += bytes;
    return true;
}

BlockPrefetch::Loaded BlockPrefetch::LoadNext(capture::CPktSnap& batch) {
    Loaded out;
    while (!m_readerDone) {
        auto fetched = m_reader.Fetch(capture::TraceReader::Move::Next);
        if (!fetched) {
            out.errors.push_back(fetched.Err().text);
            auto passed = m_reader.PassBrokenBlock();
            if (passed && passed.Value()) continue;
            if (!passed) out.errors.push_back(passed.Err().text);
            break;
        }
        if (!fetched.Value()) break;
        const capture::RawBlock& block = *fetched.Value();
        if (!WaitForRoom(block.inflatedSize)) break;
        std::vector<std::uint8_t> inflated;
        auto st = capture::TraceReader::Inflate(block, inflated);
        if (st) st = capture::TraceReader::LoadBatch(block, std::move(inflated), batch);
        // On display or passed over: either way the next move goes beyond this block.
        m_reader.Accept(block);
        if (st) {
            out.batch = &batch;
            out.bytes = block.inflatedSize;
            out.end = std::uint64_t{block.offset} + capture::kBlockOverhead + block.compressed.size();
            return out;
        }
        {
            std::scoped_lock lock(m_mutex);
            m_held -= block.inflatedSize;
        }
        out.errors.push_back(st.Err().text);
    }
    m_readerDone = true;
    return out;
}

const capture::CPktSnap* BlockPrefetch::Next() {
    if (m_inUse.batch != nullptr) {
        m_inUse.batch->RemoveAllFrames();  // its memory goes back before the next block loads
        {
            std::scoped_lock lock(m_mutex);
            m_held -= m_inUse.bytes;
        }
        m_roomMade.notify_all();
        Request(m_inUse.batch);
        m_inUse = Loaded{};
    }
    // The end stays the end: the requests after it are never asked for their answers.
    while (!m_atEnd && !m_requested.empty()) {
        Loaded answer = m_requested.front().get();
        m_requested.pop_front();
        if (m_onBroken)
            for (const auto& error : answer.errors) m_onBroken(error);
        if (answer.batch == nullptr) {
            m_atEnd = true;
            break;
        }
        m_inUse = std::move(answer);
        m_position = m_inUse.end;
        return m_inUse.batch;
    }
    return nullptr;
}

}  // namespace cli
