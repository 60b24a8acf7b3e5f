// Block loader thread.
#include "app/QtBlockLoader.h"

namespace app {

QtBlockLoader::QtBlockLoader() : m_thread([this] { Main(); }) {}

QtBlockLoader::~QtBlockLoader() {
    {
        std::scoped_lock lock(m_mutex);
        m_stop = true;
        m_jobs.clear();
    }
    m_changed.notify_all();
    m_thread.join();
    // m_home goes next, and with it every done still queued for it.
}

void QtBlockLoader::Run(std::function<void()> work, std::function<void()> done) {
    {
        std::scoped_lock lock(m_mutex);
        m_jobs.push_back(Job{std::move(work), std::move(done)});
    }
    m_changed.notify_one();
}

void QtBlockLoader::Main() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_stop || !m_jobs.empty(); });
            if (m_stop) return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        job.work();
        job.work = nullptr;  // what it held goes here, not on the user-interface thread
        if (job.done) QMetaObject::invokeMethod(&m_home, std::move(job.done), Qt::QueuedConnection);
    }
}

}  // namespace app
