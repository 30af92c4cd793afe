#include <filesystem>

#include "platform/linux/device_map.h"
#include "platform/port_devices.h"

namespace platform {

std::optional<std::string> DescribePortDevice(std::string_view portName) {
    const std::optional<std::filesystem::path> path = ResolveDevicePath(portName);
    std::error_code ec;
    // A map entry whose device has gone (an adapter unplugged) resolves to nothing usable.
    if (!path || !std::filesystem::is_character_file(*path, ec)) {
        return std::nullopt;
    }
    std::string text = path->string();
    if (const std::filesystem::path target = std::filesystem::canonical(*path, ec);
        !ec && target != *path) {
        text += " -> " + target.string();
    }
    return text;
}

std::string PortMappingHint() {
    return "map one in " + DeviceMapFolder().string();
}

}  // namespace platform
