// Windows error numbers as kinds, with the system's own message text.
//
// A port that another program holds fails to open with ERROR_ACCESS_DENIED, not with a sharing
// violation: COM ports are opened with share mode 0, and the driver refuses the second open as
// an access check. So access denied is Busy here, and Permission is left to the privilege
// errors. A USB adapter pulled mid-use makes the driver answer ERROR_BAD_COMMAND or
// ERROR_GEN_FAILURE, depending on the driver; Wine answers ERROR_NOT_READY and ERROR_BROKEN_PIPE
// on a hung-up pseudo-terminal.

#include "platform/serial_error.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32_api.h"

namespace platform {
namespace {

SerialErrorKind KindOf(DWORD code) {
    switch (code) {
        case ERROR_SUCCESS:
            return SerialErrorKind::None;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_DEV_NOT_EXIST:
        case ERROR_BAD_UNIT:
            return SerialErrorKind::NotFound;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_BUSY:
            return SerialErrorKind::Busy;
        case ERROR_PRIVILEGE_NOT_HELD:
        case ERROR_WRITE_PROTECT:
            return SerialErrorKind::Permission;
        case ERROR_INVALID_FUNCTION:
        case ERROR_NOT_SUPPORTED:
        case ERROR_DIRECTORY:
            return SerialErrorKind::NotATerminal;
        case ERROR_INVALID_PARAMETER:
            return SerialErrorKind::BadSettings;
        case ERROR_INVALID_HANDLE:
            return SerialErrorKind::InvalidHandle;
        case ERROR_GEN_FAILURE:
        case ERROR_BAD_COMMAND:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_DEVICE_REMOVED:
        case ERROR_NOT_READY:
        case ERROR_BROKEN_PIPE:
        case ERROR_OPERATION_ABORTED:
        case ERROR_IO_DEVICE:
        case ERROR_COUNTER_TIMEOUT:
            return SerialErrorKind::Io;
        default:
            return SerialErrorKind::Other;
    }
}

// The system's text for `code` without its closing line break, or the bare number when the
// system has none.
std::string SystemText(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring_view text(buffer, length);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' ||
                             text.back() == L'.')) {
        text.remove_suffix(1);
    }
    std::string narrow = text.empty() ? "error " + std::to_string(code) : win32::Narrow(text);
    LocalFree(buffer);
    return narrow;
}

}  // namespace

SerialError MapOsError(int code, std::string_view what) {
    const auto number = static_cast<DWORD>(code);
    std::string text(what);
    if (number != ERROR_SUCCESS) {
        text += ": ";
        text += SystemText(number);
    }
    return SerialError{KindOf(number), code, std::move(text)};
}

}  // namespace platform
