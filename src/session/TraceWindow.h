// The working parts of one capture window, without its widgets: the document (profile,
// trace file, agent session), the packet list and, for a live capture, the capture thread
// that writes the file the list reads. It opens them in the order a window does and takes
// them down in the order that loses nothing: the capture thread is stopped (its final
// header written) before the list lets go of the file and the document of the agent.
#pragma once

#include <memory>
#include <string>

#include "packetlist/CKestroView.h"
#include "profiles/CSessionProfile.h"
#include "session/CKestroDoc.h"
#include "session/CaptureClock.h"
#include "session/CaptureThread.h"
#include "session/DocumentContext.h"

namespace session {

class TraceWindow {
public:
    // What a live window hears from its capture thread, on that thread: the workbench
    // passes both on to its own thread.
    struct LiveHooks {
        CaptureThread::PauseNotify onPause;
        CaptureThread::Notice notice;
    };

    // Opens the document on the profile (a saved trace when its dump-file flag is set, else
    // a live capture) and makes the packet list; nullptr when nothing opened (the user was
    // told why: a file already open, a file that cannot be opened, an agent that cannot be
    // reached). Nothing is shown until InitialUpdate. The packet list loads its blocks
    // through loader (in place when none is given).
    static std::unique_ptr<TraceWindow> Open(DocumentContext& context,
                                             std::unique_ptr<profiles::CSessionProfile> profile, LiveHooks hooks = {},
                                             std::unique_ptr<packetlist::BlockLoader> loader = nullptr);
    ~TraceWindow();
    TraceWindow(const TraceWindow&) = delete;
    TraceWindow& operator=(const TraceWindow&) = delete;

    // A saved trace shows its first screen; a live capture starts its thread, and shows its
    // first block through the packet list's idle rule once the thread has written one.
    void InitialUpdate();
    // Stops a live capture (drained, final header written) and reports how the file was
    // finished; a saved trace has nothing to stop. The window may close afterwards.
    core::Status StopCapture();

    packetlist::CKestroView& View() noexcept { return *m_view; }
    CKestroDoc& Doc() noexcept { return *m_doc; }
    CaptureThread* Capture() noexcept { return m_capture.get(); }
    bool IsLive() const noexcept { return m_capture != nullptr; }
    const std::string& Title() const noexcept { return m_doc->GetTitle(); }

private:
    class Link;
    TraceWindow() = default;

    // Destroyed in reverse: the list, the thread (joined), then the document.
    std::unique_ptr<CKestroDoc> m_doc;
    SteadyCaptureClock m_clock;
    std::unique_ptr<CaptureThread> m_capture;
    std::unique_ptr<Link> m_link;
    std::unique_ptr<packetlist::CKestroView> m_view;
};

}  // namespace session
