// The serial device on POSIX systems, over termios.
//
// OS traps handled here:
// - A fresh Linux tty is a terminal, not a wire: it echoes, turns CR into LF, eats XON/XOFF bytes
//   and collects lines. SetLineSettings makes it raw binary, as a Win32 port always is.
// - TIOCEXCL does not stop root, so an advisory flock is taken first; every copy of this program
//   honours it. Neither stops a program that opened the device before us, so Open looks for
//   such holders too, and for sessions that run on the device as their terminal. TIOCEXCL outlives
//   our descriptor while anyone else holds the tty open (a pseudo-terminal's far side does), so
//   Close clears it again.
// - O_NONBLOCK with VMIN=1/VTIME=0: a read with nothing there fails with EAGAIN, while a device
//   that has gone reads 0 or fails with EIO, so the two can be told apart.
// - poll reports POLLHUP for a hung-up device whether asked or not; once seen, later waits leave
//   the descriptor out, or they would return at once for ever.
// - FIONREAD on a pseudo-terminal tops out near 4095; callers read until a read finds nothing.
//
// Threads: `fd`, `wake` and `timeouts` are set before a second thread can use the port (and
// `timeouts` is read only by the writing thread). `mask` is stored before `maskChanges` is
// published with release, so a waiter that reads the new count with acquire also reads the new
// mask. `gone` only ever turns true; a stale false costs one more poll.

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "platform/linux/device_map.h"
#include "platform/linux/device_users.h"
#include "platform/linux/unique_fd.h"
#include "platform/serial_call_count.h"
#include "platform/serial_device.h"

namespace platform {
namespace {

using calls::CountCall;
using calls::g_calls;

struct Speed {
    std::uint32_t baud;
    speed_t code;
};
constexpr std::array kSpeeds{
    Speed{50, B50},           Speed{75, B75},           Speed{110, B110},
    Speed{134, B134},         Speed{150, B150},         Speed{200, B200},
    Speed{300, B300},         Speed{600, B600},         Speed{1200, B1200},
    Speed{1800, B1800},       Speed{2400, B2400},       Speed{4800, B4800},
    Speed{9600, B9600},       Speed{19200, B19200},     Speed{38400, B38400},
    Speed{57600, B57600},     Speed{115200, B115200},   Speed{230400, B230400},
    Speed{460800, B460800},   Speed{500000, B500000},   Speed{576000, B576000},
    Speed{921600, B921600},   Speed{1000000, B1000000}, Speed{1152000, B1152000},
    Speed{1500000, B1500000}, Speed{2000000, B2000000}, Speed{2500000, B2500000},
    Speed{3000000, B3000000}, Speed{3500000, B3500000}, Speed{4000000, B4000000},
};

std::optional<speed_t> SpeedCode(std::uint32_t baud) {
    for (const Speed& s : kSpeeds) {
        if (s.baud == baud) {
            return s.code;
        }
    }
    return std::nullopt;
}

std::uint32_t BaudOf(speed_t code) {
    for (const Speed& s : kSpeeds) {
        if (s.code == code) {
            return s.baud;
        }
    }
    return 0;
}

constexpr std::array<tcflag_t, 4> kCharSizes{CS5, CS6, CS7, CS8};

SerialError NotOpen() {
    return MapOsError(EBADF, "serial port");
}
SerialError Refused(std::string what) {
    return MapOsError(EINVAL, what);
}

// The four settings in termios terms, or why they cannot be had.
SerialError ApplyLineSettings(const LineSettings& s, termios& t) {
    const std::optional<speed_t> speed = SpeedCode(s.baudRate);
    if (!speed) {
        return Refused("speed " + std::to_string(s.baudRate));
    }
    if (s.byteSize < 5 || s.byteSize > 8) {
        return Refused("data bits " + std::to_string(s.byteSize));
    }
    if (s.parity > 4) {
        return Refused("parity code " + std::to_string(s.parity));
    }
    // One and a half stop bits exist only with five data bits, where CSTOPB means just that.
    if (s.stopBits > 2 || (s.stopBits == 1 && s.byteSize != 5)) {
        return Refused("stop-bits code " + std::to_string(s.stopBits));
    }
    t.c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR);
    t.c_cflag |= kCharSizes[s.byteSize - 5] | CREAD;
    if (s.stopBits != 0) {
        t.c_cflag |= CSTOPB;
    }
    constexpr std::array<tcflag_t, 5> kParity{0, PARENB | PARODD, PARENB, PARENB | CMSPAR | PARODD,
                                              PARENB | CMSPAR};
    t.c_cflag |= kParity[s.parity];
    cfsetispeed(&t, *speed);
    cfsetospeed(&t, *speed);
    return {};
}

// A Win32 port never echoes, never translates line ends, never collects lines and never takes
// XON/XOFF bytes out of the data; hardware flow control and the modem lines stay as found.
void MakeRaw(termios& t) {
    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IUCLC | IXON |
                   IXOFF | IXANY | IMAXBEL);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ECHOCTL | ECHOPRT | ECHOKE | ICANON | ISIG |
                   IEXTEN | XCASE);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
}

// Why the device behind `fd` is somebody else's: the kernel's console, a session's controlling
// terminal (a stale map link to a reused /dev/pts/N, a serial console with a login on it), or
// held open by another process. TIOCGSID answers only for our own terminal; /proc tells about
// everybody's.
SerialError InUseElsewhere(int fd, const std::string& name) {
    struct stat st {};
    CountCall();
    if (::fstat(fd, &st) != 0) {
        return MapOsError(errno, "look at " + name);
    }
    if (IsKernelConsole(st.st_rdev)) {
        SerialError refused = MapOsError(EBUSY, "claim " + name + ", the kernel's console");
        refused.kind = SerialErrorKind::KernelConsole;
        return refused;
    }
    pid_t session = 0;
    CountCall();
    const bool ours = ::ioctl(fd, TIOCGSID, &session) == 0;
    if (ours || SessionOnTerminal(st)) {
        SerialError refused = MapOsError(EBUSY, "claim " + name + ", a session's terminal");
        refused.kind = SerialErrorKind::InSession;
        return refused;
    }
    const std::vector<DeviceUser> holders = OtherHoldersOf(st);
    if (holders.empty()) {
        return {};
    }
    return MapOsError(EBUSY, "claim " + name + ", held by " + holders.front().program +
                                 " (process " + std::to_string(holders.front().pid) + ")");
}

constexpr tcflag_t kLineBits = CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CREAD;

}  // namespace

struct SerialPort::Device {
    Device(UniqueFd device, UniqueFd wakeChannel)
        : fd(std::move(device)), wake(std::move(wakeChannel)) {}
    ~Device() {
        CountCall();
        ::ioctl(fd.get(), TIOCNXCL);
        // The two descriptors close as the members go: calls on the port like any other.
        CountCall();
        CountCall();
    }

    // Writes what it can without waiting.
    IoResult Push(Overlapped& record) {
        while (record.left > 0) {
            CountCall(g_calls.writes);
            const ssize_t n = ::write(fd.get(), record.next, record.left);
            if (n >= 0) {
                record.next += n;
                record.left -= static_cast<std::uint32_t>(n);
                record.done += static_cast<std::uint32_t>(n);
            } else if (errno == EAGAIN) {
                return IoResult{IoStatus::Pending, record.done, {}};
            } else if (errno != EINTR) {
                const int code = errno;
                record.left = 0;
                return IoResult{IoStatus::Failed, record.done, MapOsError(code, "write")};
            }
        }
        return IoResult{IoStatus::Done, record.done, {}};
    }

    void MarkGoneOn(int code) {
        if (code == EIO || code == ENXIO || code == ENODEV) {
            gone.store(true, std::memory_order_relaxed);
        }
    }

    UniqueFd fd;
    UniqueFd wake;
    CommTimeouts timeouts;
    std::atomic<std::uint32_t> mask{0};
    std::atomic<std::uint32_t> maskChanges{0};
    std::atomic<bool> gone{false};
};

SerialPort::SerialPort() = default;
SerialPort::~SerialPort() = default;

SerialError SerialPort::Open(std::string_view devicePath) {
    Close();
    const std::optional<std::filesystem::path> path = ResolveDevicePath(devicePath);
    if (!path) {
        return MapOsError(ENOENT, "open " + std::string(devicePath));
    }
    const std::string name = path->string();
    CountCall();
    UniqueFd fd(::open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd) {
        return MapOsError(errno, "open " + name);
    }
    termios probe{};
    CountCall();
    if (::tcgetattr(fd.get(), &probe) != 0) {
        return MapOsError(ENOTTY, "open " + name);
    }
    // Before anything changes the line: a terminal that someone works on must not be touched.
    // The lock and TIOCEXCL only stop those who come later; a program that opened the device
    // first would go on reading our answers.
    if (SerialError elsewhere = InUseElsewhere(fd.get(), name); elsewhere.Failed()) {
        return elsewhere;
    }
    CountCall();
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        return MapOsError(errno, "lock " + name);
    }
    CountCall();
    UniqueFd wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!wake) {
        return MapOsError(errno, "wake channel for " + name);
    }
    // Last, because from here on the device must be closed through Device to undo it.
    CountCall();
    if (::ioctl(fd.get(), TIOCEXCL) != 0) {
        return MapOsError(errno, "claim " + name);
    }
    m_device = std::make_unique<Device>(std::move(fd), std::move(wake));
    return {};
}

void SerialPort::Close() {
    m_device.reset();
}

SerialError SerialPort::SetEventMask(std::uint32_t mask) {
    if (!m_device) {
        return NotOpen();
    }
    m_device->mask.store(mask, std::memory_order_relaxed);
    m_device->maskChanges.fetch_add(1, std::memory_order_release);
    const std::uint64_t one = 1;
    CountCall();
    // Fails only when the count would overflow, and then the waiter is woken already.
    [[maybe_unused]] const ssize_t n = ::write(m_device->wake.get(), &one, sizeof one);
    return {};
}

SerialError SerialPort::SetQueueSizes(std::uint32_t, std::uint32_t) {
    // The tty layer's buffers have fixed sizes; there is nothing to ask for.
    return m_device ? SerialError{} : NotOpen();
}

SerialError SerialPort::Purge() {
    if (!m_device) {
        return NotOpen();
    }
    // Transfers cannot be in flight here: a write runs on the purging thread, reads never wait.
    CountCall();
    return ::tcflush(m_device->fd.get(), TCIOFLUSH) == 0 ? SerialError{}
                                                         : MapOsError(errno, "purge");
}

SerialError SerialPort::SetTimeouts(const CommTimeouts& timeouts) {
    if (!m_device) {
        return NotOpen();
    }
    m_device->timeouts = timeouts;
    return {};
}

SerialError SerialPort::GetLineSettings(LineSettings& settings) {
    if (!m_device) {
        return NotOpen();
    }
    termios t{};
    CountCall();
    if (::tcgetattr(m_device->fd.get(), &t) != 0) {
        return MapOsError(errno, "read line settings");
    }
    settings.baudRate = BaudOf(cfgetospeed(&t));
    const tcflag_t size = t.c_cflag & CSIZE;
    settings.byteSize = size == CS5 ? 5 : size == CS6 ? 6 : size == CS7 ? 7 : 8;
    if ((t.c_cflag & PARENB) == 0) {
        settings.parity = 0;
    } else if ((t.c_cflag & CMSPAR) != 0) {
        settings.parity = (t.c_cflag & PARODD) != 0 ? 3 : 4;
    } else {
        settings.parity = (t.c_cflag & PARODD) != 0 ? 1 : 2;
    }
    settings.stopBits = (t.c_cflag & CSTOPB) == 0 ? 0 : settings.byteSize == 5 ? 1 : 2;
    return {};
}

SerialError SerialPort::SetLineSettings(const LineSettings& settings) {
    if (!m_device) {
        return NotOpen();
    }
    const int fd = m_device->fd.get();
    termios t{};
    CountCall();
    if (::tcgetattr(fd, &t) != 0) {
        return MapOsError(errno, "read line settings");
    }
    if (SerialError e = ApplyLineSettings(settings, t); e.Failed()) {
        return e;
    }
    MakeRaw(t);
    CountCall();
    if (::tcsetattr(fd, TCSANOW, &t) != 0) {
        return MapOsError(errno, "apply line settings");
    }
    // tcsetattr succeeds when any one change was taken; the device may have refused the rest.
    termios applied{};
    CountCall();
    if (::tcgetattr(fd, &applied) != 0) {
        return MapOsError(errno, "read line settings");
    }
    if ((applied.c_cflag & kLineBits) != (t.c_cflag & kLineBits) ||
        cfgetospeed(&applied) != cfgetospeed(&t)) {
        return Refused("line settings");
    }
    return {};
}

SerialError SerialPort::WaitEvent(std::uint32_t& events) {
    events = 0;
    if (!m_device) {
        return NotOpen();
    }
    Device& d = *m_device;
    const std::uint32_t seen = d.maskChanges.load(std::memory_order_acquire);
    const std::uint32_t mask = d.mask.load(std::memory_order_relaxed);
    if (mask == 0) {
        // Cleared before this wait began: there is nothing to wait for, and the signal that came
        // with the change may already have been taken by an earlier wait.
        return {};
    }
    const bool watchDevice = (mask & kEvRxChar) != 0 && !d.gone.load(std::memory_order_relaxed);
    std::array<pollfd, 2> fds{pollfd{d.wake.get(), POLLIN, 0},
                              pollfd{watchDevice ? d.fd.get() : -1, POLLIN, 0}};
    for (;;) {
        CountCall(g_calls.waitWakeups);
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return MapOsError(errno, "wait for events");
        }
        if ((fds[0].revents & POLLIN) != 0) {
            std::uint64_t signals = 0;
            CountCall();
            [[maybe_unused]] const ssize_t n = ::read(d.wake.get(), &signals, sizeof signals);
            // A signal left over from a change made before this wait began does not end it.
            if (d.maskChanges.load(std::memory_order_acquire) != seen) {
                return {};
            }
        }
        const short device = fds[1].revents;
        if ((device & POLLIN) != 0) {
            events = kEvRxChar;
            return {};
        }
        if ((device & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            d.gone.store(true, std::memory_order_relaxed);
            return MapOsError(EIO, "wait for events");
        }
    }
}

bool SerialPort::DeviceGone() const {
    return m_device && m_device->gone.load(std::memory_order_relaxed);
}

IoResult SerialPort::Read(void* buffer, std::uint32_t size, Overlapped&) {
    if (!m_device) {
        return IoResult{IoStatus::Failed, 0, NotOpen()};
    }
    for (;;) {
        CountCall(g_calls.reads);
        const ssize_t n = ::read(m_device->fd.get(), buffer, size);
        if (n > 0) {
            calls::CountBytesRead(static_cast<std::uint64_t>(n));
            return IoResult{IoStatus::Done, static_cast<std::uint32_t>(n), {}};
        }
        const int code = n == 0 ? EIO : errno;  // 0 with VMIN=1: the far side hung up
        if (code == EAGAIN) {
            return IoResult{IoStatus::Done, 0, {}};
        }
        if (code != EINTR) {
            m_device->MarkGoneOn(code);
            return IoResult{IoStatus::Failed, 0, MapOsError(code, "read")};
        }
    }
}

IoResult SerialPort::Write(const void* data, std::uint32_t count, Overlapped& record) {
    record = Overlapped{};
    if (!m_device) {
        return IoResult{IoStatus::Failed, 0, NotOpen()};
    }
    const CommTimeouts& t = m_device->timeouts;
    if (t.writeTotalMultiplier != 0 || t.writeTotalConstant != 0) {
        const std::uint64_t limit =
            std::uint64_t{t.writeTotalMultiplier} * count + t.writeTotalConstant;
        record.deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit);
    }
    record.next = static_cast<const std::uint8_t*>(data);
    record.left = count;
    return m_device->Push(record);
}

IoResult SerialPort::GetOverlappedResult(Overlapped& record, std::uint32_t waitMs) {
    if (!m_device) {
        return IoResult{IoStatus::Failed, record.done, NotOpen()};
    }
    using Clock = std::chrono::steady_clock;
    std::optional<Clock::time_point> giveUp;
    if (waitMs != kWaitForever) {
        giveUp = Clock::now() + std::chrono::milliseconds(waitMs);
    }
    for (;;) {
        const IoResult result = m_device->Push(record);
        if (result.status != IoStatus::Pending) {
            return result;
        }
        const Clock::time_point now = Clock::now();
        if (record.deadline && now >= *record.deadline) {
            // Time is up: like a Win32 write time-out, a success with fewer bytes.
            record.left = 0;
            return IoResult{IoStatus::Done, record.done, {}};
        }
        if (giveUp && now >= *giveUp) {
            return result;
        }
        std::optional<Clock::time_point> until = record.deadline;
        if (giveUp && (!until || *giveUp < *until)) {
            until = giveUp;
        }
        int sleepMs = -1;
        if (until) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(*until - now);
            sleepMs = static_cast<int>(std::min<std::int64_t>(left.count(), 60'000));
        }
        pollfd p{m_device->fd.get(), POLLOUT, 0};
        CountCall();
        if (::poll(&p, 1, sleepMs) < 0 && errno != EINTR) {
            const int code = errno;
            record.left = 0;
            return IoResult{IoStatus::Failed, record.done, MapOsError(code, "wait to write")};
        }
    }
}

SerialError SerialPort::ClearError(std::uint32_t& inputQueue) {
    inputQueue = 0;
    if (!m_device) {
        return NotOpen();
    }
    // Line errors are not kept by a raw tty (no PARMRK), so there is nothing else to clear.
    int waiting = 0;
    CountCall(g_calls.queueQueries);
    if (::ioctl(m_device->fd.get(), FIONREAD, &waiting) != 0) {
        const int code = errno;
        m_device->MarkGoneOn(code);
        return MapOsError(code, "count input");
    }
    inputQueue = static_cast<std::uint32_t>(waiting);
    return {};
}

}  // namespace platform
