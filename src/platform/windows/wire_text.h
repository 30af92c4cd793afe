#pragma once
// Text between the boxes and the wire on Windows. Windows only: on Linux the Qt backend's
// gui/qt/wire_text.h does the same for its boxes.
//
// The device's texts are bytes; on Windows a program's 8-bit strings are in the ANSI code page, so
// that is how the boxes show them. A byte that does not start a character the code page can give
// back unchanged (a stray trail byte, an unassigned code) becomes one of U+DC80..U+DCFF, which no
// code page produces, and turns back into that same byte: a READ followed by a WRITE sends back
// exactly the bytes the device gave.

#include <cstddef>
#include <string>
#include <string_view>

namespace platform::win32 {

std::wstring FromWire(std::string_view bytes);
// A character that the code page cannot hold becomes '?'; the boxes never take one from the
// operator (see gui/win32/edit_limit.h).
std::string ToWire(std::wstring_view text);
// Whether the code page holds the character; surrogate halves count as held only together.
bool FitsWire(std::wstring_view character);

}  // namespace platform::win32
