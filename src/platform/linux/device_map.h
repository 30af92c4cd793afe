#pragma once
// Where a Windows port name ends up on this machine. Linux only: Windows opens the COM name itself.
//
// Operators name ports as the device's documentation does ("COM3"). On POSIX systems such a name
// is looked up in a per-user folder of symbolic links, so that a USB adapter, a by-id path or a
// pseudo-terminal can stand behind any COMn without renaming devices system-wide.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/com_port_name.h"

namespace platform {

// $XDG_CONFIG_HOME/velmora/ports, or ~/.config/velmora/ports when XDG_CONFIG_HOME is unset or
// not absolute.
std::filesystem::path DeviceMapFolder();

// The device that a Windows device path ("\\.\COM3", or a bare "COM3") stands for: the map entry
// for COMn when there is one, else /dev/ttyS<n-1>. Nothing for a path that names no COM port.
std::optional<std::filesystem::path> ResolveDevicePath(std::string_view devicePath);

}  // namespace platform
