// Loads a window's blocks on a thread of its own and hands the result back to the
// user-interface thread through its event loop. One thread per window, so one window's
// large block never holds up another's; it is joined when the window goes.
#pragma once

#include <QObject>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "packetlist/BlockLoader.h"

namespace app {

class QtBlockLoader final : public packetlist::BlockLoader {
public:
    QtBlockLoader();
    // Finishes the work in hand, drops the rest, joins the thread; no done runs afterwards.
    ~QtBlockLoader() override;
    QtBlockLoader(const QtBlockLoader&) = delete;
    QtBlockLoader& operator=(const QtBlockLoader&) = delete;

    void Run(std::function<void()> work, std::function<void()> done) override;

private:
    struct Job {
        std::function<void()> work;
        std::function<void()> done;
    };
    void Main();

    QObject m_home;  // lives on the thread that made the loader; done runs there
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Job> m_jobs;
    bool m_stop = false;
    std::thread m_thread;
};

}  // namespace app
