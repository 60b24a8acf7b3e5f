// The workbench offscreen, as a user sees it: from asking for a trace file to its first
// screen painted, and End, Page Down, go to packet, a level change and selecting a row, each
// until the list and the detail pane are painted again. The 1,000,000-frame LAN trace in
// blocks of 1,000 frames and in blocks of 100,000. The
// resident memory with the file open is a counter; run one trace per process to read it.
// The traces are made on first use.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMdiSubWindow>

#include "BenchData.h"
#include "OffscreenApp.h"
#include "app/CKestroApp.h"

namespace {

QString Trace(std::int64_t blockFrames) {
    return QString::fromStdString(bench::LanTrace(static_cast<std::uint32_t>(blockFrames)));
}

using bench::ResidentMiB;

// Waits for the block asked for, then paints what changed.
void Settle(app::CChildFrame& child) {
    while (child.View().Loading()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
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

template <class Setup, class Move>
void TimeGuiMove(benchmark::State& state, Setup setup, Move move) {
    Workbench w;
    app::CChildFrame& child = w.Open(Trace(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        setup(child);
        Settle(child);
        state.ResumeTiming();
        move(child);
        Settle(child);
    }
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

#define GUI_BENCH(fn) BENCHMARK(fn)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond)
GUI_BENCH(BM_GuiOpenAndFirstScreen);
GUI_BENCH(BM_GuiEnd);
GUI_BENCH(BM_GuiPageDown);
GUI_BENCH(BM_GuiGotoPacket);
GUI_BENCH(BM_GuiLevelChange);
GUI_BENCH(BM_GuiSelectRow);

}  // namespace

BENCHMARK_MAIN();
