#include "platform/gui/app.h"

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

void RunApp() {
    if (g_currentApp != nullptr) {
        g_currentApp->InitInstance();
    }
}

}  // namespace platform
