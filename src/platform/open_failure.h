#pragma once
// Why a port could not be opened, told to the operator in the operator's words, with what to do
// about it. The wording knows the platform (groups, device names, services that grab adapters),
// so each backend has its own.

#include <string>
#include <string_view>

#include "platform/serial_error.h"

namespace platform {

// A few short lines for a message box: the port, what stands in the way, and the fix.
std::string DescribeOpenFailure(std::string_view portName, const SerialError& error);

}  // namespace platform
