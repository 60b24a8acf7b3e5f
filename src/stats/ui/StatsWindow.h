// The frame every statistics window shares: it runs the window's job on the worker (started
// again when what the window asks for changes), shows the progress and any block passed
// over under the view, follows a live capture as blocks arrive, and hands each new set of
// tables to the view. The window belongs to its capture window: closing either cancels
// the job, and the capture window closes it first (its job reads with the capture
// window's decoders).
#pragma once

#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "decode/CPktParsers.h"
#include "stats/StatsJob.h"
#include "tables/LookupTables.h"

namespace stats::ui {

// Where a statistics window takes its frames from: the capture window's trace file, its
// decoders and, while a capture writes the file, the counts the writer has reached.
struct StatsSource {
    std::string path;
    const decode::CPktParsers* parsers = nullptr;
    const tables::CPktEtherNums* vendors = nullptr;
    std::function<TraceCounts()> counts;  // the counts now; a saved trace's stay as they are
    bool live = false;
};

class StatsWindow : public QWidget {
    Q_OBJECT
public:
    // The capture window's title names the window: "Conversations - office.tns".
    StatsWindow(StatsSource source, const QString& title, QWidget* parent);
    ~StatsWindow() override;

    // How many sets of tables the view has been given (for tests: Poll when it likes).
    std::uint64_t Shown() const noexcept { return m_shown; }
    const QLabel& StatusLine() const noexcept { return *m_status; }
    // Takes the job's latest tables when there are new ones, and passes on a live capture's
    // counts; the window's timer calls it every 100 ms.
    void Poll();

signals:
    // Double-click (or click in the graph): the capture window is to show this frame.
    void GoToFrame(quint32 frame);

protected:
    // The view's widget, above the status line.
    void SetBody(QWidget* body);
    // (Re)starts the job; the view is given nothing until its first tables.
    void Start(StatsRequest request);
    virtual void Show(const StatsSnapshot& snapshot) = 0;

private:
    StatsSource m_source;
    std::unique_ptr<StatsJob> m_job;
    std::uint64_t m_shown = 0;
    std::uint64_t m_taken = 0;  // the job's count of tables when the view last took them
    QTimer m_poll;
    QProgressBar* m_progress;
    QLabel* m_status;
};

}  // namespace stats::ui
