#pragma once
// What went wrong on a serial device, told apart so that a caller can react (not there, held by
// another program, no right to it, gone mid-use) while the OS's own words are kept for a log.

#include <string>
#include <string_view>

namespace platform {

enum class SerialErrorKind {
    None,
    NotFound,       // no such port or device
    Busy,           // held by another program or descriptor
    Permission,     // no right to open it
    NotATerminal,   // a plain file, directory or other non-serial thing stands behind the name
    InSession,      // a terminal that is some session's controlling terminal, not a device
    KernelConsole,  // the terminal the kernel writes its console messages to
    BadSettings,    // the device refuses the line settings
    InvalidHandle,  // the port is not open
    Io,             // the device failed or vanished
    Other,
};

struct SerialError {
    SerialErrorKind kind = SerialErrorKind::None;
    int code = 0;      // the OS's error number; 0 when the OS reported none
    std::string text;  // what was attempted, then the OS's text

    bool Failed() const { return kind != SerialErrorKind::None; }
};

// The one place where the backend's OS error numbers become kinds; `what` says what was attempted.
SerialError MapOsError(int code, std::string_view what);

}  // namespace platform
