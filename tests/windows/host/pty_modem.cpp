// Preloaded into Wine by the serial suite, on Linux: answers TIOCMGET on pseudo-terminals.
//
// Wine's WaitCommEvent polls the modem lines with TIOCMGET while it waits; a pseudo-terminal has
// no modem lines, the ioctl fails, and Wine ends the wait at once with ERROR_OPERATION_ABORTED,
// about a millisecond after it began, for ever. Answering "DSR and CTS up, as a cabled reader
// shows them" lets the wait run until a character arrives, as on a real port. A hung-up
// terminal fails every ioctl with EIO instead of ENOTTY; that failure goes through, so that Wine
// ends the wait as it does when a real adapter is pulled. Every other ioctl, and TIOCMGET on
// anything but a pseudo-terminal, goes to the C library untouched.

#include <dlfcn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cerrno>
#include <cstdarg>

namespace {

using IoctlFunction = int (*)(int, unsigned long, ...);

// The majors of /dev/pts/N (UNIX98_PTY_SLAVE_MAJOR and the seven after it).
bool IsPseudoTerminal(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) {
        return false;
    }
    const unsigned int m = major(st.st_rdev);
    return m >= 136 && m <= 143;
}

}  // namespace

extern "C" int ioctl(int fd, unsigned long request, ...) {
    va_list args;
    va_start(args, request);
    void* argument = va_arg(args, void*);
    va_end(args);
    static const auto real = reinterpret_cast<IoctlFunction>(dlsym(RTLD_NEXT, "ioctl"));
    const int saved = errno;
    const int result = real(fd, request, argument);
    if (result < 0 && errno == ENOTTY && request == TIOCMGET && IsPseudoTerminal(fd)) {
        *static_cast<int*>(argument) = TIOCM_DSR | TIOCM_CTS;
        errno = saved;
        return 0;
    }
    return result;
}
