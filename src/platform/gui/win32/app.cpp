#include "platform/gui/app.h"

#include "platform/gui/window_services.h"
#include "platform/windows/win32_api.h"

namespace platform {

int AppMain(int, char**) {
    // The edit boxes' subclassing lives in the common controls.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    // For the names that screen readers give the text boxes.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        WindowServices services;
        RunApp();
    }
    if (SUCCEEDED(com)) {
        CoUninitialize();
    }
    return 0;
}

}  // namespace platform
