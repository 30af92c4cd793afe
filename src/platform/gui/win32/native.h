#pragma once
// The Win32 objects behind the window framework's types, for the Win32 backend's own files and
// for the tests that drive the real windows. HWND and the like are pointers to these structs, so
// this header names them without <windows.h>.

#include "platform/gui/dialog.h"
#include "platform/gui/graphics.h"

struct HBITMAP__;
struct HICON__;
struct HWND__;
struct tagMSG;

namespace platform {

// An icon from the executable's resources; the system owns it for the life of the process.
struct Icon::Image {
    HICON__* icon;
};

// A bitmap loaded from the resources, deleted with the last copy of its Bitmap.
struct Bitmap::Image {
    explicit Image(HBITMAP__* loaded) : bitmap(loaded) {}
    ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    HBITMAP__* bitmap;
};

namespace win32 {

// The dialog's window; null until it is created and once it is destroyed.
HWND__* Window(const Dialog& dialog);
HWND__* DlgItem(const Dialog& dialog, int id);

// One message of the window's thread, as every loop there handles it (the modal runs and the
// waits' pump): the target dialog's PreTranslateMessage, its dialog manager, then the window.
void RouteMessage(tagMSG& message);

// The newest visible dialog of the window's thread: the owner of a message box, so that it
// comes up above the window that asked; null when none is shown.
HWND__* TopDialogWindow();

}  // namespace win32
}  // namespace platform
