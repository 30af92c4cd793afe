#include "platform/qt/app.h"

#include <QApplication>

#include "platform/qt/quit_on_signal.h"
#include "platform/qt/window_services.h"

namespace platform {
namespace {
App* g_currentApp = nullptr;
}

App::App() {
    g_currentApp = this;
}

App::~App() {
    if (g_currentApp == this) {
        g_currentApp = nullptr;
    }
}

int AppMain(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral(VELMORA_VERSION));
    QtWindowServices services;
    const QuitOnSignal quitOnSignal;
    if (g_currentApp != nullptr) {
        g_currentApp->InitInstance();
    }
    return 0;
}

}  // namespace platform
