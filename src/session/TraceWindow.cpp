// Opening and closing a capture window's parts.
#include "session/TraceWindow.h"

#include "session/OpenTraceFile.h"

namespace session {

// The packet list's view of the capture thread: its published counts, and the pause and
// continue request.
class TraceWindow::Link final : public packetlist::CaptureLink {
public:
    explicit Link(CaptureThread& thread) : m_thread(thread) {}
    packetlist::CaptureCounts Counts() const override {
        packetlist::CaptureCounts c;
        // The frame count first: the thread raises it after the block count, so every frame
        // counted here lies in a block counted here.
        c.frameCount = m_thread.FrameCount();
        c.blockCount = m_thread.BlockCount();
        c.endOffset = m_thread.EndOffset();
        c.framesLost = m_thread.FramesLost();
        c.paused = m_thread.Paused();
        c.timeLimitReached = m_thread.TimeLimitReached();
        c.sizeLimitReached = m_thread.SizeLimitReached();
        return c;
    }
    void RequestPauseToggle() override { m_thread.TogglePause(); }

private:
    CaptureThread& m_thread;
};

std::unique_ptr<TraceWindow> TraceWindow::Open(DocumentContext& context,
                                               std::unique_ptr<profiles::CSessionProfile> profile, LiveHooks hooks,
                                               std::unique_ptr<packetlist::BlockLoader> loader) {
    std::unique_ptr<TraceWindow> window(new TraceWindow());
    window->m_doc = OpenTraceFile(context, std::move(profile));
    if (!window->m_doc) return nullptr;
    CKestroDoc& doc = *window->m_doc;
    if (!doc.IsLive()) {
        window->m_view = std::make_unique<packetlist::CKestroView>(
            capture::TraceReader(doc.TakeTraceFile()), context.prompt, context.waitCursor, std::move(loader));
        window->m_view->SetPath(doc.Profile().traceFile);
        return window;
    }
    // The thread writes through the document's handle; the list reads through its own.
    auto reader = capture::TraceReader::Open(doc.Profile().traceFile);
    if (!reader) {
        context.prompt.Tell("Trace file could not be opened!\n" + reader.Err().text);
        return nullptr;
    }
    window->m_view = std::make_unique<packetlist::CKestroView>(std::move(reader).Value(), context.prompt,
                                                               context.waitCursor, std::move(loader));
    window->m_view->SetPath(doc.Profile().traceFile);
    window->m_capture =
        std::make_unique<CaptureThread>(doc, doc.TakeTraceFile(), CaptureThread::OptionsFrom(doc.Profile()),
                                        window->m_clock, std::move(hooks.onPause), std::move(hooks.notice));
    window->m_link = std::make_unique<Link>(*window->m_capture);
    return window;
}

TraceWindow::~TraceWindow() { (void)StopCapture(); }

void TraceWindow::InitialUpdate() {
    if (!m_capture) {
        m_view->InitialUpdateSaved();
        return;
    }
    m_view->InitialUpdateLive(*m_link);
    m_capture->Start();
}

core::Status TraceWindow::StopCapture() {
    if (!m_capture) return core::Success();
    return m_capture->Stop();
}

}  // namespace session
