// A capture window's contents: the packet list above the detail pane in a splitter, and a
// status bar of its own with the progress through the trace, the current packet and the
// number of packets and kilobytes. The frame owns the window's packet list (and, for a live
// capture, what feeds it) and carries out the commands the main frame routes to it.
#pragma once

#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "app/CaptureRelay.h"
#include "app/WorkbenchSettings.h"
#include "core/UserPrompt.h"
#include "packetlist/CKestroView.h"
#include "session/TraceWindow.h"
#include "stats/ui/RateSparkline.h"
#include "views/DetailPane.h"
#include "views/PacketListView.h"

namespace app {

class CChildFrame : public QWidget, private packetlist::CKestroView::Listener {
    Q_OBJECT
public:
    // A window on the parts of an opened document, titled with its trace file; relay is the
    // one its capture thread (if any) was given. Messages of the capture go to prompt.
    CChildFrame(std::unique_ptr<session::TraceWindow> window, std::unique_ptr<CaptureRelay> relay,
                core::UserPrompt& prompt, QWidget* parent = nullptr);
    // A live capture is stopped first (drained, its trace finished), then the panes go,
    // then the document.
    ~CChildFrame() override;

    // A saved trace shows its first screen; a live capture starts and is watched.
    void InitialUpdate();

    session::TraceWindow& Window() noexcept { return *m_window; }
    packetlist::CKestroView& View() noexcept { return m_window->View(); }
    views::PacketListView& List() noexcept { return *m_list; }
    views::DetailPane& Details() noexcept { return *m_details; }
    QLabel& PacketsPane() noexcept { return *m_packets; }
    // A live window's frames per second over the last minutes; nullptr for a saved trace.
    stats::ui::RateSparkline* RatePane() noexcept { return m_rate; }
    QLabel& CurrentPane() noexcept { return *m_current; }
    QProgressBar& Progress() noexcept { return *m_progress; }

    // A command of the navigation bar (go to packet reads packetField).
    void Run(packetlist::NavCommand command, const QString& packetField = {});
    void SetSummaryLevel(std::uint32_t level);
    // The splitter, column widths, summary level and detail kind, to keep for the next window
    // and to give a new one.
    WindowLayout Layout() const;
    void ApplyLayout(const WindowLayout& layout);
    // Copy from the pane with the focus: the selected row, tree line or text.
    void Copy();
    // F6 and Shift+F6: the focus to the other pane.
    void NextPane();
    // Takes the capture's counts and shows the first block once it exists (live windows).
    void Poll();
    // The filter field's expression (empty clears); a bad one is refused with libpcap's
    // message. The scan reports back on this window's thread.
    core::Status ApplyFilter(const QString& expression);
    // Find from the current packet; FindProgress tells how far it looked, FindEnded how it
    // ended. StopFind ends it where it is, the current packet unchanged.
    core::Status Find(const QString& text, packetlist::FindIn where, bool forward, bool matchCase);
    void StopFind();

signals:
    // Counts, current frame or screen changed: the main frame updates its commands.
    void StateChanged();
    // The pause/continue button is to show this state.
    void PauseButtonState(bool pressed);
    // The user changed what Layout() returns.
    void LayoutChanged();
    // A search ended: notFound is the status text when nothing more matched (the window
    // beeped), empty when a packet was found.
    void FindEnded(const QString& notFound);
    void FindProgress(int percent);

private:
    void ListFilled() override;
    void RowsRetexted() override;
    void RowSelected(std::optional<std::uint32_t> row) override;
    void PauseButton(bool pressed) override;
    // True when a pane changed.
    bool UpdateStatus();
    void OnFilterProgress();
    void OnFindProgress();

    std::unique_ptr<CaptureRelay> m_relay;  // outlives the window's capture thread
    std::unique_ptr<session::TraceWindow> m_window;
    packetlist::CKestroView* m_view;
    core::UserPrompt& m_prompt;
    QTimer m_idle;
    QTimer m_findProgress;  // while a search runs
    QSplitter* m_splitter;
    views::PacketListView* m_list;
    views::DetailPane* m_details;
    QStatusBar* m_status;
    QProgressBar* m_progress;
    QLabel* m_current;
    QLabel* m_packets;
    stats::ui::RateSparkline* m_rate = nullptr;
    QElapsedTimer m_clock;
};

}  // namespace app
