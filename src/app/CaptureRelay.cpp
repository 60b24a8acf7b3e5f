// Capture relay.
#include "app/CaptureRelay.h"

namespace app {

session::TraceWindow::LiveHooks CaptureRelay::Hooks() {
    session::TraceWindow::LiveHooks hooks;
    hooks.onPause = [this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (onLimit) onLimit();
            },
            Qt::QueuedConnection);
    };
    hooks.notice = [this](const std::string& text, std::shared_ptr<platform::ManualResetEvent> answered) {
        QMetaObject::invokeMethod(
            this,
            [this, text, answered] {
                if (onNotice)
                    onNotice(text, answered);
                else
                    answered->Set();
            },
            Qt::QueuedConnection);
    };
    return hooks;
}

}  // namespace app
