// Loads the blocks of a trace file one after another on a second thread, so that the next
// block is read and inflated while the current one is decoded.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
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
    // Moves the reader on from the block on display (the first block when none is yet). The
    // reader belongs to the loading thread until this object is destroyed.
    BlockPrefetch(capture::TraceReader& reader, const decode::CPktParsers* parsers, std::size_t depth = 2);
    ~BlockPrefetch();
    BlockPrefetch(const BlockPrefetch&) = delete;
    BlockPrefetch& operator=(const BlockPrefetch&) = delete;

    // The next block's frames, valid until the following call; nullptr after the last block
    // or after an error (then Error() says what went wrong).
    const capture::CPktSnap* Next();
    const std::string& Error() const noexcept { return m_error; }

private:
    struct Loaded {
        capture::CPktSnap* batch = nullptr;  // nullptr: end of file or error
        std::string error;
    };
    void Run();

    capture::TraceReader& m_reader;
    std::vector<std::unique_ptr<capture::CPktSnap>> m_batches;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<capture::CPktSnap*> m_free;
    std::deque<Loaded> m_ready;
    capture::CPktSnap* m_inUse = nullptr;
    bool m_stop = false;
    std::string m_error;
    std::thread m_thread;
};

}  // namespace cli
