#pragma once
// The window messages, keys and commands that the shared window code names, with their Win32
// values on every backend, and a message as a dialog's PreTranslateMessage sees it.

#include <cstdint>

namespace platform {

inline constexpr std::uint32_t WM_KEYDOWN = 0x0100;
inline constexpr std::uint32_t VK_TAB = 0x09;
inline constexpr std::uint32_t VK_RETURN = 0x0D;
inline constexpr std::uint32_t VK_ESCAPE = 0x1B;
inline constexpr std::uint32_t VK_SPACE = 0x20;
inline constexpr unsigned SC_MINIMIZE = 0xF020;
inline constexpr unsigned SC_CLOSE = 0xF060;
inline constexpr unsigned SC_RESTORE = 0xF120;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

struct Msg {
    std::uint32_t message;
    std::uintptr_t wParam;  // for a key-down, its virtual-key code; 0 for keys without one
};

}  // namespace platform
