#include "platform/app.h"

#include "platform/win32/win32_api.h"
#include "platform/win32/window_services_win32.h"

namespace platform {

int AppMain(int, char**) {
    // The edit boxes' subclassing lives in the common controls.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    win32::Win32WindowServices services;
    RunApp();
    return 0;
}

}  // namespace platform
