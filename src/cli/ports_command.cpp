// ports: which of the window's COM1 to COM50 stand for a device on this machine.

#include <filesystem>
#include <iostream>

#include "cli/commands.h"
#include "platform/device_map.h"
#include "port/port_settings_map.h"

namespace cli {

int RunPorts() {
    int listed = 0;
    for (int index = 0; index < port::kPortCount; ++index) {
        const std::string name = port::PortNameForIndex(index);
        const std::optional<std::filesystem::path> path = platform::ResolveDevicePath(name);
        std::error_code ec;
        // A map entry whose device has gone (an adapter unplugged) resolves to nothing usable.
        if (!path || !std::filesystem::is_character_file(*path, ec)) {
            continue;
        }
        std::cout << name << "  " << path->string();
        if (const std::filesystem::path target = std::filesystem::canonical(*path, ec);
            !ec && target != *path) {
            std::cout << " -> " << target.string();
        }
        std::cout << "\n";
        ++listed;
    }
    if (listed == 0) {
        Complain("no COM port stands for a device here; map one in " +
                 platform::DeviceMapFolder().string());
    }
    return kSuccess;
}

}  // namespace cli
