// The workbench's user-interface thread during a live capture at full replay speed: an
// agent in this process replays the office mix as fast as the capture thread takes frames, a
// live window shows it, and a 10 ms timer measures how late the event loop gets to it (its
// latency). Without navigation the window only shows its first block and follows the
// counts; with navigation the user also presses End every second, loading the newest block.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <vector>

#include "BenchData.h"
#include "OffscreenApp.h"
#include "agentd/AgentDaemon.h"
#include "agentd/PcapSource.h"
#include "app/CKestroApp.h"

namespace {

double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Measures the processor time the user-interface thread spends on each event it handles: on
// a busy machine the timer's lateness also counts time the thread waited for a processor,
// this counts only the work the workbench did.
class TimedApplication final : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        if (m_depth++ > 0) {
            const bool handled = QApplication::notify(receiver, event);
            --m_depth;
            return handled;
        }
        const double start = ThreadCpuMs();
        const bool handled = QApplication::notify(receiver, event);
        longestEventCpuMs = std::max(longestEventCpuMs, ThreadCpuMs() - start);
        --m_depth;
        return handled;
    }
    double longestEventCpuMs = 0;

private:
    int m_depth = 0;
};

TimedApplication& App() { return bench::OffscreenApp<TimedApplication>(); }

void BM_LiveEventLoopLatency(benchmark::State& state) {
    App();
    const bool navigate = state.range(0) != 0;
    agentd::DaemonOptions options;
    options.epmPort = 0;
    agentd::AgentConfig config;
    // The office mix, replayed in a loop as fast as the window takes it.
    const std::string sample = bench::OfficeCapture(1'000'000, 7);
    const double mbPerFrame =
        static_cast<double>(std::filesystem::file_size(sample) - 24 - 16 * std::uint64_t{1'000'000}) / 1e12;
    config.sources = [sample](const capture::CPktSnapConf&) {
        return agentd::PcapSource::OpenReplay(sample, agentd::ReplayOptions{true, 0});
    };
    auto daemon = agentd::AgentDaemon::Start(options, std::move(config));
    if (!daemon) std::abort();
    const auto trace = std::filesystem::temp_directory_path() / "palomet-bench-live.tns";

    for (auto _ : state) {
        core::RecordingPrompt prompt;
        core::WaitCursor wait;
        app::CKestroApp workbench(prompt, wait);
        workbench.InitInstance({});
        if (!workbench.OpenLiveCapture("127.0.0.1", *daemon.Value()->EpmPort(), trace.string())) std::abort();

        std::vector<double> late;
        QElapsedTimer clock;
        clock.start();
        qint64 last = clock.nsecsElapsed();
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            late.push_back(std::max(0.0, (now - last) / 1e6 - 10.0));
            if (late.back() > 50 && std::getenv("PALOMET_BENCH_TRACE") != nullptr)
                std::fprintf(stderr, "at %.0f ms: %.0f ms late\n", now / 1e6, late.back());
            last = now;
        });
        tick.start(10);
        QTimer end;
        QObject::connect(&end, &QTimer::timeout, [&] {
            for (auto* child : workbench.MainFrame().Children()) child->Run(packetlist::NavCommand::GoToEnd);
        });
        if (navigate) end.start(1000);
        QTimer::singleShot(10000, [] { QApplication::quit(); });
        // The first event handled counts from here: the window is open and capturing.
        App().longestEventCpuMs = 0;
        QApplication::exec();
        state.counters["max_event_cpu_ms"] = App().longestEventCpuMs;

        const auto children = workbench.MainFrame().Children();
        auto* child = children.empty() ? nullptr : children.front();
        const double frames = child != nullptr ? child->View().FrameCount() : 0;
        state.counters["frames"] = frames;
        state.counters["frames_per_s"] = frames / 10;
        state.counters["MB_per_s"] = frames * mbPerFrame / 10;  // of frames, at the mix's average size
        state.counters["blocks"] = child != nullptr ? child->View().BlockCount() : 0;
        std::sort(late.begin(), late.end());
        state.counters["max_late_ms"] = late.empty() ? 0 : late.back();
        state.counters["p99_late_ms"] = late.empty() ? 0 : late[late.size() * 99 / 100];
        state.counters["messages"] = static_cast<double>(prompt.Messages().size());
    }
    std::filesystem::remove(trace);
}
BENCHMARK(BM_LiveEventLoopLatency)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
