// The workbench benchmarks' application, on the offscreen platform unless told otherwise.
#pragma once

#include <QApplication>
#include <cstdlib>

namespace bench {

template <class Application = QApplication>
Application& OffscreenApp() {
    static int argc = 1;
    static char name[] = "bench_workbench";
    static char* argv[] = {name, nullptr};
    // Never deleted: it lives as long as the benchmark process.
    static Application* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        return new Application(argc, argv);
    }();
    return *app;
}

}  // namespace bench
