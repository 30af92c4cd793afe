#pragma once
// What stands behind a control on Win32: its window handle. HWND is a pointer to this struct,
// so the shared headers name it without <windows.h>.

struct HWND__;

namespace platform {

using NativeWindow = HWND__*;
using ControlRef = HWND__*;

}  // namespace platform
