#pragma once
// What stands behind a COM port name on this machine, for a list that the operator picks from.

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The device that "COMn" leads to in the system's own names, "entry -> target" when it leads
// there through a link. Nothing when no device is there.
std::optional<std::string> DescribePortDevice(std::string_view portName);

// Where the operator makes a COM port stand for a device, for when none does.
std::string PortMappingHint();

}  // namespace platform
