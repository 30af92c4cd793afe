#include "platform/linux/device_map.h"

#include <cstdlib>

namespace platform {

std::filesystem::path DeviceMapFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::filesystem::path base;
    if (xdg != nullptr && std::filesystem::path(xdg).is_absolute()) {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = std::filesystem::path(home != nullptr ? home : "/") / ".config";
    }
    return base / "velmora" / "ports";
}

std::optional<std::filesystem::path> ResolveDevicePath(std::string_view devicePath) {
    constexpr std::string_view kWin32DevicePrefix = "\\\\.\\";
    if (devicePath.starts_with(kWin32DevicePrefix)) {
        devicePath.remove_prefix(kWin32DevicePrefix.size());
    }
    const std::optional<unsigned> n = ParseComPortName(devicePath);
    if (!n) {
        return std::nullopt;
    }
    std::filesystem::path entry = DeviceMapFolder() / std::string(devicePath);
    std::error_code ec;
    // An entry that cannot be looked up (exists leaves ec set for anything but "not there") is
    // still the operator's mapping: opening it reports why, where the fallback would quietly
    // open another device.
    if (std::filesystem::is_symlink(entry, ec) || std::filesystem::exists(entry, ec) || ec) {
        return entry;
    }
    return std::filesystem::path("/dev/ttyS" + std::to_string(*n - 1));
}

}  // namespace platform
