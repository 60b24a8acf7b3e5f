// Loads the blocks of a trace file one after another on a second thread, so that the next
// block is read and inflated while the current one is decoded. A block that cannot be read
// is reported and passed over; listing goes on with the next block the chains reach.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "capture/CPktSnap.h"
#include "capture/TraceReader.h"
#include "decode/CPktParsers.h"

namespace cli {

class BlockPrefetch {
public:
    // Blocks held ahead of the one on display may inflate to this much together. A block
    // larger than that is loaded only once the one on display is given back, so memory stays
    // near one block however large the blocks are.
    static constexpr std::size_t kDefaultBudget = std::size_t{64} << 20;

    // Called on the thread that calls Next, in file order, for a block that was passed over.
    using BrokenBlock = std::function<void(const std::string& error)>;

    // Moves the reader on from the block on display (the first block when none is yet). The
    // reader belongs to the loading thread until this object is destroyed.
    BlockPrefetch(capture::TraceReader& reader, const decode::CPktParsers* parsers, std::size_t depth = 2,
                  BrokenBlock onBroken = {}, std::size_t budget = kDefaultBudget);
    ~BlockPrefetch();
    BlockPrefetch(const BlockPrefetch&) = delete;
    BlockPrefetch& operator=(const BlockPrefetch&) = delete;

    // The next block's frames, valid until the following call; nullptr after the last block
    // that could be reached.
    const capture::CPktSnap* Next();

private:
    struct Loaded {
        capture::CPktSnap* batch = nullptr;  // nullptr with no error: the end
        std::string error;                   // a block passed over
        std::size_t bytes = 0;               // what the batch holds
    };
    void Run();
    void Load();
    // A free batch once the budget has room for a block of `bytes`; nullptr when stopping.
    capture::CPktSnap* WaitForRoom(std::size_t bytes);
    void Push(Loaded loaded);

    capture::TraceReader& m_reader;
    BrokenBlock m_onBroken;
    std::size_t m_budget;
    std::vector<std::unique_ptr<capture::CPktSnap>> m_batches;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<capture::CPktSnap*> m_free;
    std::deque<Loaded> m_ready;
    Loaded m_inUse;
    std::size_t m_held = 0;  // bytes of the batches ready, in use or being loaded
    bool m_stop = false;
    std::thread m_thread;
};

}  // namespace cli
