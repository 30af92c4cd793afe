// ports: which of the window's COM1 to COM50 stand for a device on this machine.

#include <iostream>

#include "cli/command_runs.h"
#include "platform/port_devices.h"
#include "port/port_settings_map.h"

namespace cli {

int RunPorts() {
    int listed = 0;
    for (int index = 0; index < port::kPortCount; ++index) {
        const std::string name = port::PortNameForIndex(index);
        if (const std::optional<std::string> device = platform::DescribePortDevice(name)) {
            std::cout << name << "  " << *device << "\n";
            ++listed;
        }
    }
    if (listed == 0) {
        Complain("no COM port stands for a device here; " + platform::PortMappingHint());
    }
    return kSuccess;
}

}  // namespace cli
