// Every benchmark, on Qt's offscreen platform, with the window's platform services installed as
// the program installs them.

#include <QApplication>

#include "harness.h"
#include "platform/qt/window_services.h"

int main(int argc, char** argv) {
    // The figures are defined on the offscreen platform; the start-up programs inherit it.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The receive figures rely on the glib event dispatcher, Qt's default on Linux.
    qunsetenv("QT_NO_GLIB");
    QApplication application(argc, argv);
    platform::QtWindowServices services;
    // All of them, or those whose names contain the first argument ("latency", "start-up").
    return bench::RunAll(argc > 1 ? argv[1] : "");
}
