#include "platform/gui/app.h"

#include <QApplication>

#include "platform/gui/qt/heap_policy.h"
#include "platform/gui/qt/quit_on_signal.h"
#include "platform/gui/window_services.h"

namespace platform {
int AppMain(int argc, char** argv) {
    KeepLargeBlocksOffTheHeap();
    QApplication application(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral(VELMORA_VERSION));
    WindowServices services;
    const QuitOnSignal quitOnSignal;
    RunApp();
    return 0;
}

}  // namespace platform
