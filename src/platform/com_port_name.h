#pragma once
// Port names as operators give them: the device's documentation says "COM3".

#include <optional>
#include <string_view>

namespace platform {

// The port number of "COMn" (n from 1 without leading zeros), or nothing for any other text.
[[nodiscard]] std::optional<unsigned> ParseComPortName(std::string_view portName);

}  // namespace platform
