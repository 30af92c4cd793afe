#pragma once
// Window, dialog and control style bits of the dialog templates, with their Win32 values, so the
// templates read as the Windows resource set does and a Windows backend can pass them on as they
// are. Some bits mean different things for different classes (WS_GROUP and WS_MINIMIZEBOX share a
// bit; BS_BITMAP, ES_AUTOHSCROLL and SS_NOPREFIX share another): test them against the class.

#include <cstdint>

namespace platform {

// Window styles.
inline constexpr std::uint32_t WS_POPUP = 0x80000000;
inline constexpr std::uint32_t WS_CHILD = 0x40000000;
inline constexpr std::uint32_t WS_VISIBLE = 0x10000000;
inline constexpr std::uint32_t WS_CAPTION = 0x00C00000;
inline constexpr std::uint32_t WS_BORDER = 0x00800000;
inline constexpr std::uint32_t WS_VSCROLL = 0x00200000;
inline constexpr std::uint32_t WS_SYSMENU = 0x00080000;
inline constexpr std::uint32_t WS_GROUP = 0x00020000;
inline constexpr std::uint32_t WS_TABSTOP = 0x00010000;
inline constexpr std::uint32_t WS_MINIMIZEBOX = 0x00020000;

inline constexpr std::uint32_t WS_EX_APPWINDOW = 0x00040000;

// Dialog styles.
inline constexpr std::uint32_t DS_MODALFRAME = 0x80;
inline constexpr std::uint32_t DS_SETFONT = 0x40;
inline constexpr std::uint32_t DS_FIXEDSYS = 0x08;

// Button styles; the low four bits are the button's kind.
inline constexpr std::uint32_t BS_PUSHBUTTON = 0x0;
inline constexpr std::uint32_t BS_DEFPUSHBUTTON = 0x1;
inline constexpr std::uint32_t BS_AUTOCHECKBOX = 0x3;
inline constexpr std::uint32_t BS_TYPEMASK = 0xF;
inline constexpr std::uint32_t BS_LEFTTEXT = 0x20;
inline constexpr std::uint32_t BS_BITMAP = 0x80;

// Edit styles.
inline constexpr std::uint32_t ES_AUTOHSCROLL = 0x80;
inline constexpr std::uint32_t ES_READONLY = 0x800;

// Combo box styles; the low two bits are the box's kind.
inline constexpr std::uint32_t CBS_DROPDOWNLIST = 0x3;

// Static styles; the low five bits are the static's kind.
inline constexpr std::uint32_t SS_LEFT = 0x0;
inline constexpr std::uint32_t SS_BITMAP = 0xE;
inline constexpr std::uint32_t SS_TYPEMASK = 0x1F;
inline constexpr std::uint32_t SS_NOPREFIX = 0x80;

}  // namespace platform
