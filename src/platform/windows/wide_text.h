#pragma once
// Windows only. Our narrow strings are UTF-8 inside the platform layer; the Win32 calls take
// UTF-16.

#include <string>
#include <string_view>

namespace platform::win32 {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace platform::win32
