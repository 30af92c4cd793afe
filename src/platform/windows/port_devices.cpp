// On Windows a COM port is a DOS device name that the serial driver (or a USB adapter's driver,
// while plugged in) defines; QueryDosDeviceW tells whether it exists now and which kernel device
// it names.

#include <string>

#include "platform/port_devices.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32_api.h"

namespace platform {

std::optional<std::string> DescribePortDevice(std::string_view portName) {
    wchar_t target[512];
    // The answer is a list of names, each ended by a nul; the first is the one in effect.
    if (QueryDosDeviceW(win32::Widen(portName).c_str(), target, std::size(target)) == 0) {
        return std::nullopt;
    }
    return win32::Narrow(target);
}

std::string PortMappingHint() {
    return "plug in the tag writer's adapter; Device Manager lists COM ports under "
           "\"Ports (COM & LPT)\"";
}

}  // namespace platform
