// Loads a window's blocks on a thread of its own and hands the result back to the
// user-interface thread through its event loop. One thread per window, so one window's
// large block never holds up another's, and a second for the blocks it loads ahead, so that
// a move the user asks for never waits behind them; both are joined when the window goes.
#pragma once

#include <QObject>
#include <functional>

#include "core/WorkQueue.h"
#include "packetlist/BlockLoader.h"

namespace app {

class QtBlockLoader final : public packetlist::BlockLoader {
public:
    QtBlockLoader() = default;
    // Finishes the work in hand, drops the rest, joins the thread; no done runs afterwards.
    ~QtBlockLoader() override = default;
    QtBlockLoader(const QtBlockLoader&) = delete;
    QtBlockLoader& operator=(const QtBlockLoader&) = delete;

    void Run(std::function<void()> work, std::function<void()> done) override;
    bool LoadsAhead() const noexcept override { return true; }
    void RunAhead(std::function<void()> work, std::function<void()> done) override;

private:
    QObject m_home;  // lives on the thread that made the loader; done runs there
    // Last, so that it goes first: its thread is joined before m_home, and with it every
    // done still queued for it, goes.
    core::WorkQueue m_queue{1, core::WorkQueue::AtClose::DropQueued};
    core::WorkQueue m_ahead{1, core::WorkQueue::AtClose::DropQueued};
};

}  // namespace app
