// Loads the blocks of a trace file one after another on a second thread, so that the next
// block is read and inflated while the current one is decoded. A block that cannot be read
// is reported and passed over; listing goes on with the next block the chains reach.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "capture/CPktSnap.h"
#include "capture/TraceReader.h"
#include "core/WorkQueue.h"
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
    // The file offset just past the block Next last handed out: how far through the file
    // the work is, for a progress line.
    std::uint64_t Position() const noexcept { return m_position; }

private:
    // What one load found: the blocks it passed over, then a loaded batch or the end.
    struct Loaded {
        std::vector<std::string> errors;
        capture::CPktSnap* batch = nullptr;  // nullptr: the end
        std::size_t bytes = 0;               // what the batch holds
        std::uint64_t end = 0;               // the file offset past the block
    };
    // Asks the loading thread to fill batch with the next block that loads.
    void Request(capture::CPktSnap* batch);
    Loaded LoadNext(capture::CPktSnap& batch);
    // False when stopping; otherwise the budget holds bytes more.
    bool WaitForRoom(std::size_t bytes);

    capture::TraceReader& m_reader;
    BrokenBlock m_onBroken;
    std::size_t m_budget;
    std::vector<std::unique_ptr<capture::CPktSnap>> m_batches;
    std::mutex m_mutex;
    std::condition_variable m_roomMade;
    std::size_t m_held = 0;  // bytes of the batches ready, in use or being loaded
    bool m_stop = false;
    bool m_readerDone = false;                    // the loading thread's own: nothing more to load
    std::deque<std::future<Loaded>> m_requested;  // in file order
    Loaded m_inUse;
    bool m_atEnd = false;
    std::uint64_t m_position = 0;
    core::WorkQueue m_loader{1, core::WorkQueue::AtClose::DropQueued};  // last: it uses all of the above
};

}  // namespace cli
