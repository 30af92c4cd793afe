// Open failures on Windows. The kinds come from the error numbers alone: which program holds a
// port is not something Windows tells without administrator rights.

#include "platform/open_failure.h"

namespace platform {

std::string DescribeOpenFailure(std::string_view portName, const SerialError& error) {
    const std::string port(portName);
    switch (error.kind) {
        case SerialErrorKind::NotFound:
            return port +
                   " is not connected to a device. Plug in the tag writer's adapter; Device "
                   "Manager lists the COM ports there are under \"Ports (COM & LPT)\".";
        case SerialErrorKind::Busy:
            return port + " is in use by another program. Close the program that uses it.";
        case SerialErrorKind::Permission:
            return "You may not open " + port + ". Ask whoever runs this PC for the right to.";
        case SerialErrorKind::NotATerminal:
            return port +
                   " is not a serial port. Device Manager lists the COM ports there are under "
                   "\"Ports (COM & LPT)\".";
        case SerialErrorKind::BadSettings:
            return port +
                   " refused the line settings: it cannot run at this speed, or not with these "
                   "data bits, parity and stop bits.";
        default:
            return port + " could not be opened: " + error.text;
    }
}

}  // namespace platform
