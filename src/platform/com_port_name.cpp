#include "platform/com_port_name.h"

#include <charconv>

namespace platform {

std::optional<unsigned> ParseComPortName(std::string_view portName) {
    constexpr std::string_view kPrefix = "COM";
    if (!portName.starts_with(kPrefix)) {
        return std::nullopt;
    }
    const std::string_view digits = portName.substr(kPrefix.size());
    if (digits.empty() || digits.size() > 5 || digits.front() == '0') {
        return std::nullopt;
    }
    unsigned n = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (ec != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return n;
}

}  // namespace platform
