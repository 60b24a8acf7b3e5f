// The packet list as a capture window drives it, without drawing: opening a trace and showing
// its first screen, End, Page Down, go to packet, a level change and selecting a row (the
// detail tree built), on the 1,000,000-frame LAN trace in blocks of 1,000 frames and on the
// same frames in blocks of 100,000. A screen's worth of rows (40) is decoded after each move,
// as the list would draw them. The resident memory with the file open is a counter.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "BenchData.h"
#include "packetlist/CKestroView.h"

namespace {

using bench::LanTrace;
using bench::ResidentMiB;
constexpr std::uint32_t kScreenRows = 40;

void DrawScreen(packetlist::CKestroView& view) {
    const std::uint32_t from = view.CurrentRow().value_or(0);
    for (std::uint32_t r = from; r < from + kScreenRows && r < view.RowCount(); ++r)
        benchmark::DoNotOptimize(view.Row(r).summary.data());
}

struct Window {
    core::RecordingPrompt prompt;
    core::WaitCursor wait;
    std::unique_ptr<packetlist::CKestroView> view;
    explicit Window(const std::string& path) : view(packetlist::CKestroView::Open(path, prompt, wait)) {
        if (!view) std::abort();
        view->InitialUpdateSaved();
        if (view->Screen() != 1 || !prompt.Messages().empty()) std::abort();
    }
};

void BM_OpenAndFirstScreen(benchmark::State& state) {
    const std::string path = LanTrace(static_cast<std::uint32_t>(state.range(0)));
    double rss = 0;
    for (auto _ : state) {
        Window w(path);
        DrawScreen(*w.view);
        decode::CPktDetailLine root;
        w.view->DetailOf(0, root);
        state.PauseTiming();
        rss = ResidentMiB();
        state.ResumeTiming();
    }
    state.counters["rss_MiB"] = rss;
}

// One move timed from a state set up untimed before it.
template <class Setup, class Move>
void TimeMove(benchmark::State& state, Setup setup, Move move) {
    Window w(LanTrace(static_cast<std::uint32_t>(state.range(0))));
    for (auto _ : state) {
        state.PauseTiming();
        setup(*w.view);
        state.ResumeTiming();
        move(*w.view);
        DrawScreen(*w.view);
    }
    state.counters["rss_MiB"] = ResidentMiB();
}

void BM_End(benchmark::State& state) {
    TimeMove(
        state, [](packetlist::CKestroView& v) { v.GoToBeginning(); }, [](packetlist::CKestroView& v) { v.GoToEnd(); });
}

void BM_PageDown(benchmark::State& state) {
    TimeMove(
        state,
        [](packetlist::CKestroView& v) {
            if (v.Screen() == v.BlockCount()) v.GoToBeginning();
        },
        [](packetlist::CKestroView& v) { v.NextScreen(); });
}

// Go to a frame half way through the file, from its first frame (the search runs back from
// the end) and from its last (forward from the start).
void BM_GotoPacket(benchmark::State& state) {
    bool fromStart = true;
    TimeMove(
        state,
        [&](packetlist::CKestroView& v) {
            fromStart = !fromStart;
            v.GotoPacket(fromStart ? "0" : "999999");
        },
        [](packetlist::CKestroView& v) { v.GotoPacket("500123"); });
}

void BM_LevelChange(benchmark::State& state) {
    std::uint32_t level = decode::LEVEL_APPLICATION;
    TimeMove(
        state, [](packetlist::CKestroView&) {},
        [&](packetlist::CKestroView& v) {
            level = level == decode::LEVEL_APPLICATION ? decode::LEVEL_TRANSPORT : decode::LEVEL_APPLICATION;
            v.SetSummaryLevel(level);
        });
}

void BM_SelectRow(benchmark::State& state) {
    std::uint32_t row = 0;
    TimeMove(
        state, [](packetlist::CKestroView&) {},
        [&](packetlist::CKestroView& v) {
            row = (row + 37) % v.RowCount();
            v.Select(row);
            decode::CPktDetailLine root;
            v.DetailOf(row, root);
            benchmark::DoNotOptimize(root.Children().size());
        });
}

#define PACKET_LIST_BENCH(fn) BENCHMARK(fn)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond)
PACKET_LIST_BENCH(BM_OpenAndFirstScreen);
PACKET_LIST_BENCH(BM_End);
PACKET_LIST_BENCH(BM_PageDown);
PACKET_LIST_BENCH(BM_GotoPacket);
PACKET_LIST_BENCH(BM_LevelChange);
PACKET_LIST_BENCH(BM_SelectRow);

}  // namespace

BENCHMARK_MAIN();
