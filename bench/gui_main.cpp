// Every benchmark, on Qt's offscreen platform, with the window's platform services and allocator
// policy installed as the program installs them.

#include <QApplication>

#include <algorithm>

#include "harness.h"
#include "platform/gui/qt/heap_policy.h"
#include "platform/gui/window_services.h"

int main(int argc, char** argv) {
    platform::qt::KeepLargeBlocksOffTheHeap();  // as the program's entry point does
    // The figures are defined on the offscreen platform; the start-up programs inherit it. Only a
    // display platform carries the accessibility bridge, so a run that asks for the bridge keeps
    // the platform it was given (xcb under Xvfb: scripts/bench.sh --accessibility).
    if (qgetenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON") != "1") {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // The receive figures rely on the glib event dispatcher, Qt's default on Linux.
    qunsetenv("QT_NO_GLIB");
    QApplication application(argc, argv);
    platform::WindowServices services;
    // All of them, or those whose names contain the first argument ("latency", "start-up"); the
    // rest go to the benchmarks ("soak 30": the soak's minutes).
    return bench::RunAll(argc > 1 ? argv[1] : "", {argv + std::min(argc, 2), argv + argc});
}
