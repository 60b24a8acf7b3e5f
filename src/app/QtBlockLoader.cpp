// Block loader thread.
#include "app/QtBlockLoader.h"

namespace app {

void QtBlockLoader::Run(std::function<void()> work, std::function<void()> done) {
    m_queue.Post([this, work = std::move(work), done = std::move(done)]() mutable {
        work();
        work = nullptr;  // what it held goes here, not on the user-interface thread
        if (done) QMetaObject::invokeMethod(&m_home, std::move(done), Qt::QueuedConnection);
    });
}

}  // namespace app
