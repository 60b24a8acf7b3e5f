// The workbench offscreen, as a user sees it: from asking for a trace file to its first
// screen painted, and End, Page Down, go to packet, a level change and selecting a row, each
// until the list and the detail pane are painted again. The 1,000,000-frame LAN trace in
// blocks of 1,000 frames and in blocks of 100,000 (bench_packet_list makes both). The
// resident memory with the file open is a counter; run one trace per process to read it.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMdiSubWindow>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/CKestroApp.h"

namespace {

namespace fs = std::filesystem;

QApplication& App() {
    static int argc = 1;
    static char name[] = "bench_workbench_gui";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        return new QApplication(argc, argv);
    }();
    return *app;
}

QString Trace(std::int64_t blockFrames) {
    const fs::path path =
        fs::path(PALOMET_SOURCE_DIR) / "build" / "bench-data" / ("lan_mix_1000000_b" + std::to_string(blockFrames) + ".tns");
    if (!fs::exists(path)) {
        std::fprintf(stderr, "%s is missing: run bench_packet_list first\n", path.c_str());
        std::abort();
    }
    return QString::fromStdString(path.string());
}

double ResidentMiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

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
        App();
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

using agent::NavCommand;

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
