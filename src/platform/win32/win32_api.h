#pragma once
// The one way into <windows.h>. Its macros (IDOK, LoadString, LoadBitmap, min, max, CreateFile
// and the rest of the A/W pairs) would rewrite our own names wherever the header was seen, so it
// stays behind the Win32 backend's source files and never reaches a header that shared code reads.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// After <windows.h>, whose types it uses; WIN32_LEAN_AND_MEAN leaves it out.
#include <mmsystem.h>
