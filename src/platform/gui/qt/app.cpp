#include "platform/gui/app.h"

#include <QApplication>
#include <cstdio>
#include <string_view>

#include "platform/gui/qt/heap_policy.h"
#include "platform/gui/qt/quit_on_signal.h"
#include "platform/gui/window_services.h"

namespace platform {
namespace {

constexpr char kUsage[] =
    "usage: velmora [Qt options such as -platform offscreen]\n"
    "       velmora --help | --version\n"
    "Opens the window in which a tag is read and written through the tag reader on a COM port.\n"
    "port_info.txt is written into the folder it starts in; see velmora(1).\n";

}  // namespace

int AppMain(int argc, char** argv) {
    // Answered before Qt starts, so that they need no display.
    const std::string_view option = argc == 2 ? argv[1] : "";
    if (option == "--help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (option == "--version") {
        std::puts("velmora " VELMORA_VERSION);
        return 0;
    }
    qt::KeepLargeBlocksOffTheHeap();
    QApplication application(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral(VELMORA_VERSION));
    WindowServices services;
    const qt::QuitOnSignal quitOnSignal;
    RunApp();
    return 0;
}

}  // namespace platform
