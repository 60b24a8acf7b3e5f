// Block loader thread.
#include "app/QtBlockLoader.h"

#include <QTimer>

namespace app {

namespace {

std::function<void()> Job(QObject& home, std::function<void()> work, std::function<void()> done) {
    return [&home, work = std::move(work), done = std::move(done)]() mutable {
        work();
        work = nullptr;  // what it held goes here, not on the user-interface thread
        if (done) QMetaObject::invokeMethod(&home, std::move(done), Qt::QueuedConnection);
    };
}

}  // namespace

void QtBlockLoader::Run(std::function<void()> work, std::function<void()> done) {
    m_queue.Post(Job(m_home, std::move(work), std::move(done)));
}

void QtBlockLoader::RunAhead(std::function<void()> work, std::function<void()> done) {
    // After what the event loop has in hand, the new screen's paint among it: the load
    // ahead would slow it down on a core it shares.
    QTimer::singleShot(0, &m_home, [this, job = Job(m_home, std::move(work), std::move(done))]() mutable {
        m_ahead.Post(std::move(job));
    });
}

}  // namespace app
