#include <cerrno>
#include <cstring>

#include "platform/serial_error.h"

namespace platform {

SerialError MapOsError(int code, std::string_view what) {
    SerialErrorKind kind = SerialErrorKind::Other;
    switch (code) {
        case 0:
            kind = SerialErrorKind::None;
            break;
        case ENOENT:
        case ENOTDIR:
        case ENXIO:
        case ENODEV:
            kind = SerialErrorKind::NotFound;
            break;
        case EBUSY:
        case EWOULDBLOCK:
            kind = SerialErrorKind::Busy;
            break;
        case EACCES:
        case EPERM:
        case EROFS:
            kind = SerialErrorKind::Permission;
            break;
        case ENOTTY:
        case EISDIR:
            kind = SerialErrorKind::NotATerminal;
            break;
        case EINVAL:
            kind = SerialErrorKind::BadSettings;
            break;
        case EBADF:
            kind = SerialErrorKind::InvalidHandle;
            break;
        case EIO:
        case EPIPE:
            kind = SerialErrorKind::Io;
            break;
        default:
            break;
    }
    std::string text(what);
    if (code != 0) {
        char buffer[256];
        text += ": ";
        text += strerror_r(code, buffer, sizeof buffer);  // GNU form: returns the text
    }
    return SerialError{kind, code, std::move(text)};
}

}  // namespace platform
