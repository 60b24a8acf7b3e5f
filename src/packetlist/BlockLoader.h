// Where the heavy half of a block load runs (inflating the block, loading its frames): the
// workbench runs it on a thread of its own so that its window never stops answering for a
// large block, and loads the blocks beside the screen on another; tests and the command
// line run it in place and load nothing ahead.
#pragma once

#include <functional>
#include <utility>

namespace packetlist {

class BlockLoader {
public:
    virtual ~BlockLoader() = default;
    // Runs work, then done on the thread that called Run. A loader that is destroyed first
    // finishes the work in hand and drops done.
    virtual void Run(std::function<void()> work, std::function<void()> done) = 0;
    // Whether blocks are loaded ahead, while the user reads the screen beside them, through
    // RunAhead, which must never hold up what Run is given.
    virtual bool LoadsAhead() const noexcept { return false; }
    virtual void RunAhead(std::function<void()> work, std::function<void()> done) {
        Run(std::move(work), std::move(done));
    }
};

// Runs both at once, in the caller's thread.
class InlineBlockLoader final : public BlockLoader {
public:
    void Run(std::function<void()> work, std::function<void()> done) override {
        work();
        done();
    }
};

}  // namespace packetlist
