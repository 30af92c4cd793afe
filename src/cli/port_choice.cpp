#include "cli/port_choice.h"

#include <charconv>
#include <fstream>
#include <vector>

#include "platform/com_port_name.h"
#include "platform/open_failure.h"
#include "port/port_settings_map.h"

namespace cli {
namespace {

PortSettings SettingsFor(std::string portName, int baudIndex, int dataBitsIndex, int stopBitsIndex,
                         int parityIndex) {
    return PortSettings{
        std::move(portName),
        static_cast<std::uint32_t>(port::BaudRateForIndex(baudIndex)),
        static_cast<std::uint8_t>(port::DataBitsForIndex(dataBitsIndex)),
        static_cast<std::uint8_t>(
            port::StopBitsForIndex(stopBitsIndex)
                .value_or(*port::StopBitsForIndex(port::kDefaultStopBitsIndex))),
        static_cast<std::uint8_t>(port::ParityForIndex(parityIndex)),
    };
}

std::optional<int> ParseIndex(const std::string& line) {
    int value = 0;
    const auto [end, ec] = std::from_chars(line.data(), line.data() + line.size(), value);
    if (ec != std::errc() || end != line.data() + line.size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

platform::Result<PortSettings> ChoosePort(const std::optional<std::string>& port,
                                          const std::filesystem::path& portInfo) {
    if (port) {
        return SettingsFor(*port, port::kDefaultBaudIndex, port::kDefaultDataBitsIndex,
                           port::kDefaultStopBitsIndex, port::kDefaultParityIndex);
    }
    std::ifstream file(portInfo);
    if (!file) {
        return platform::Failure(
            "no port: give --port COMn, or open the port once in the window (it leaves " +
            portInfo.string() + " in its working folder)");
    }
    std::vector<std::string> lines;
    for (std::string line; lines.size() < 5 && std::getline(file, line);) {
        if (!line.empty() && line.back() == '\r') {  // written on Windows
            line.pop_back();
        }
        lines.push_back(std::move(line));
    }
    std::vector<int> indices;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (const std::optional<int> index = ParseIndex(lines[i])) {
            indices.push_back(*index);
        }
    }
    if (lines.size() < 5 || indices.size() != 4 || !platform::ParseComPortName(lines[0])) {
        return platform::Failure(portInfo.string() +
                                 " is not as the window writes it (a port name and four list "
                                 "selections); give --port COMn");
    }
    return SettingsFor(lines[0], indices[0], indices[1], indices[2], indices[3]);
}

std::string OpenFailureText(const std::string& portName, const platform::SerialError& error) {
    // The operator's words first, then the system's own for whoever reads a script's log.
    return "cannot open " + portName + ": " + platform::DescribeOpenFailure(portName, error) +
           "\n(" + error.text + ")";
}

}  // namespace cli
