#pragma once
// Which port velmora-tag talks to, at which line settings, and how a failed open is told.

#include <filesystem>
#include <optional>
#include <string>

#include "comm/comm_channel.h"
#include "platform/result.h"
#include "platform/serial_error.h"

namespace cli {

// --port at the settings the window always opens with; without it, the port and list selections
// of the window's last successful OPEN, from `portInfo`. Otherwise why there is no port.
[[nodiscard]] platform::Result<PortSettings> ChoosePort(const std::optional<std::string>& port,
                                                        const std::filesystem::path& portInfo);

// The operator's reason for a failed open, port first.
std::string OpenFailureText(const std::string& portName, const platform::SerialError& error);

}  // namespace cli
