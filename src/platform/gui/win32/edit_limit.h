#pragma once
// What a limited single-line edit box accepts from the operator, on Win32.
//
// The edit control is subclassed: typing that would make the text longer than the limit is
// refused with the system's beep, pasting more than fits inserts what fits (whole characters),
// and a longer text the program put into the box stays whole and can still be shortened. The
// limit counts bytes on the wire, since that is what the tag keeps. Control characters, and
// characters the ANSI code page cannot hold, are refused too: the text goes out inside a serial
// frame, where 0x01 and 0x04 are the frame's own bytes.

struct HWND__;

namespace platform::win32 {

// Installs the limit on the box, or changes the limit of the one installed before.
void LimitEditText(HWND__* edit, int limit);

}  // namespace platform::win32
