// Carries a live capture thread's calls (a limit paused capture; a message for the user)
// over to the user-interface thread: the thread only posts, and the handlers run on the
// thread that owns this object. No widget is ever touched from the capture thread.
#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <string>

#include "platform/ManualResetEvent.h"
#include "session/TraceWindow.h"

namespace app {

class CaptureRelay : public QObject {
    Q_OBJECT
public:
    using Notice = std::function<void(const std::string& text, std::shared_ptr<platform::ManualResetEvent> answered)>;

    // Hooks for the capture thread. This object must outlive the thread (stop it first).
    session::TraceWindow::LiveHooks Hooks();

    // Set on the user-interface thread; run there.
    std::function<void()> onLimit;
    Notice onNotice;
};

}  // namespace app
