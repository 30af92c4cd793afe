#include "platform/gui/app.h"

namespace platform {
namespace {

App* g_currentApp = nullptr;
const ProgramResources* g_resources = nullptr;

constexpr ProgramResources kNoResources{
    [](int) -> const DialogTemplate* { return nullptr; },
    [](int) { return std::string_view{}; },
    {},
    {},
    {},
};

}  // namespace

App::App(const ProgramResources& resources) {
    g_currentApp = this;
    g_resources = &resources;
}

const ProgramResources& Resources() {
    return g_resources != nullptr ? *g_resources : kNoResources;
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
