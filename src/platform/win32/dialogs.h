#pragma once
// What the Win32 backend's other services need to know of the dialogs on the window's thread.

struct HWND__;

namespace platform::win32 {

// The newest visible dialog of the window's thread: the owner of a message box, so that it
// comes up above the window that asked; null when none is shown.
HWND__* TopDialogWindow();

}  // namespace platform::win32
