#pragma once
// Windows only. The one way into <windows.h>. Its macros (IDOK, LoadString, LoadBitmap, min, max,
// CreateFile and the rest of the A/W pairs) would rewrite our own names wherever the header was
// seen, so it stays behind the Win32 backend's source files and never reaches a header that shared
// code reads.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// After <windows.h>, whose types it uses; WIN32_LEAN_AND_MEAN leaves it out.
#include <mmsystem.h>
// The edit boxes' subclassing.
#include <commctrl.h>
// Names for screen readers.
#include <ole2.h>
#include <oleacc.h>
// The A/W macros that share a name with the platform layer's own functions.
#undef LoadBitmap
#undef LoadString
// Messages, keys and commands that the platform layer declares as constants of its own, with the
// same values, so that the shared window code can name them without this header.
#undef WM_ENDSESSION
#undef WM_KEYDOWN
#undef VK_TAB
#undef VK_RETURN
#undef VK_ESCAPE
#undef VK_SPACE
#undef SC_MINIMIZE
#undef SC_CLOSE
#undef SC_RESTORE
