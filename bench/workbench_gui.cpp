// The workbench offscreen, as a user sees it: from asking for a trace file to its first
// screen painted, and End, Page Down, go to packet, a level change and selecting a row, each
// until the list and the detail pane are painted again, after the user read the screen
// before it; a filter until its first screen of matches, and a find across the trace, with
// the longest an event waited meanwhile. The 1,000,000-frame LAN trace in blocks of 1,000 frames and in blocks of
// 100,000. The resident memory with the file open is a counter; run one trace per process
// to read it. The traces are made on first use.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMdiSubWindow>
#include <QTimer>
#include <algorithm>

#include "BenchData.h"
#include "OffscreenApp.h"
#include "app/CKestroApp.h"

namespace {

QString Trace(std::int64_t blockFrames) {
    return QString::fromStdString(bench::LanTrace(static_cast<std::uint32_t>(blockFrames)));
}

using bench::ResidentMiB;

// Sleeps until the window has events to handle, as its event loop does: a loop that polls
// would take the core the loads share.
void WaitForEvents() { QApplication::processEvents(QEventLoop::WaitForMoreEvents); }

// Waits for the block asked for, then paints what changed. A user reading the screen also
// leaves the blocks beside it time to load ahead.
void Settle(app::CChildFrame& child, bool reading = false) {
    while (child.View().Loading() || (reading && child.View().LoadingAhead()))
        WaitForEvents();
    QApplication::processEvents();
    child.List().viewport()->repaint();
    child.Details().currentWidget()->repaint();
}

struct Workbench {
    core::RecordingPrompt prompt;
    core::WaitCursor wait;
    app::CKestroApp app{prompt, wait};
    Workbench() {
        bench::OffscreenApp();
        app.InitInstance({});
    }
    app::CChildFrame& Open(const QString& path) {
        if (!app.OpenSavedTrace(path)) std::abort();
        app::CChildFrame& child = *app.MainFrame().Children().back();
        Settle(child);
        if (child.View().Screen() != 1) std::abort();
        return child;
    }
};

void BM_GuiOpenAndFirstScreen(benchmark::State& state) {
    const QString path = Trace(state.range(0));
    Workbench w;
    for (auto _ : state) {
        w.Open(path);
        state.PauseTiming();
        state.counters["rss_MiB"] = ResidentMiB();
        for (QMdiSubWindow* sub : w.app.MainFrame().MdiArea().subWindowList()) delete sub;
        state.ResumeTiming();
    }
}

// The longest wait of a 10 ms timer while the window works: how late an event is handled.
class EventDelay {
public:
    EventDelay() {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_worst = std::max(m_worst, m_since.restart() - kTick);
        });
        m_since.start();
        m_timer.start(kTick);
    }
    double WorstMs() const { return static_cast<double>(m_worst); }

private:
    static constexpr qint64 kTick = 10;
    QTimer m_timer;
    QElapsedTimer m_since;
    qint64 m_worst = 0;
};

template <class Setup, class Move>
void TimeGuiMove(benchmark::State& state, Setup setup, Move move) {
    Workbench w;
    app::CChildFrame& child = w.Open(Trace(state.range(0)));
    double worst = 0;
    for (auto _ : state) {
        state.PauseTiming();
        setup(child);
        Settle(child, true);
        EventDelay delay;
        state.ResumeTiming();
        move(child);
        Settle(child);
        worst = std::max(worst, delay.WorstMs());
    }
    state.counters["worst_event_delay_ms"] = worst;
    Settle(child, true);
    state.counters["rss_MiB"] = ResidentMiB();  // the screen and the blocks beside it
}

using packetlist::NavCommand;

void BM_GuiEnd(benchmark::State& state) {
    TimeGuiMove(
        state, [](app::CChildFrame& c) { c.Run(NavCommand::GoToBeginning); },
        [](app::CChildFrame& c) { c.Run(NavCommand::GoToEnd); });
}

void BM_GuiPageDown(benchmark::State& state) {
    TimeGuiMove(
        state,
        [](app::CChildFrame& c) {
            if (c.View().Screen() == c.View().BlockCount()) c.Run(NavCommand::GoToBeginning);
        },
        [](app::CChildFrame& c) { c.Run(NavCommand::NextScreen); });
}

void BM_GuiGotoPacket(benchmark::State& state) {
    TimeGuiMove(
        state, [](app::CChildFrame& c) { c.Run(NavCommand::GotoPacket, QStringLiteral("0")); },
        [](app::CChildFrame& c) { c.Run(NavCommand::GotoPacket, QStringLiteral("500123")); });
}

void BM_GuiLevelChange(benchmark::State& state) {
    std::uint32_t level = 40;
    TimeGuiMove(
        state, [](app::CChildFrame&) {},
        [&](app::CChildFrame& c) {
            level = level == 40 ? 16 : 40;
            c.SetSummaryLevel(level);
        });
}

void BM_GuiSelectRow(benchmark::State& state) {
    int row = 0;
    TimeGuiMove(
        state, [](app::CChildFrame&) {},
        [&](app::CChildFrame& c) {
            row = (row + 7) % 30;
            c.List().setCurrentIndex(c.List().model()->index(row, 0));
        });
}

// A filter over the whole trace: from Enter to the first screen of matches shown; the scan
// to its end and the longest an event waited meanwhile are counters.
void BM_GuiFilterFirstMatches(benchmark::State& state) {
    Workbench w;
    app::CChildFrame& child = w.Open(Trace(state.range(0)));
    for (auto _ : state) {
        QElapsedTimer whole;
        whole.start();
        EventDelay delay;
        if (!child.ApplyFilter(QStringLiteral("udp port 53"))) std::abort();
        while (child.View().Loading() || child.View().RowCount() == 0)
            WaitForEvents();
        child.List().viewport()->repaint();
        state.PauseTiming();
        while (child.View().FilterScanning()) WaitForEvents();
        state.counters["scan_ms"] = static_cast<double>(whole.elapsed());
        state.counters["worst_event_delay_ms"] = delay.WorstMs();
        if (!child.ApplyFilter(QString())) std::abort();
        Settle(child, true);
        state.ResumeTiming();
    }
}

// Find of a text no summary holds, from the first frame across the whole trace.
void BM_GuiFindAcross(benchmark::State& state) {
    Workbench w;
    app::CChildFrame& child = w.Open(Trace(state.range(0)));
    for (auto _ : state) {
        EventDelay delay;
        bool ended = false;
        const auto connection = QObject::connect(&child, &app::CChildFrame::FindEnded, [&] { ended = true; });
        if (!child.Find(QStringLiteral("no frame says this"), packetlist::FindIn::Summary, true, false)) std::abort();
        while (!ended) WaitForEvents();
        QObject::disconnect(connection);
        state.counters["worst_event_delay_ms"] = delay.WorstMs();
    }
}

#define GUI_BENCH(fn) BENCHMARK(fn)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond)
GUI_BENCH(BM_GuiOpenAndFirstScreen);
GUI_BENCH(BM_GuiEnd);
GUI_BENCH(BM_GuiPageDown);
GUI_BENCH(BM_GuiGotoPacket);
GUI_BENCH(BM_GuiLevelChange);
GUI_BENCH(BM_GuiSelectRow);
BENCHMARK(BM_GuiFilterFirstMatches)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_GuiFindAcross)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
