#include "pseudo_terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

#include "platform/linux/device_map.h"

namespace sim {
namespace {
[[noreturn]] void Fail(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}
}  // namespace

PseudoTerminal::PseudoTerminal() {
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0) {
        Fail("posix_openpt");
    }
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        const int saved = errno;
        ::close(m_master);
        errno = saved;
        Fail("unlockpt");
    }
    char name[128];
    if (ptsname_r(m_master, name, sizeof name) != 0) {
        const int saved = errno;
        ::close(m_master);
        errno = saved;
        Fail("ptsname_r");
    }
    m_devicePath = name;
    m_keepAlive = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (m_keepAlive < 0) {
        const int saved = errno;
        ::close(m_master);
        errno = saved;
        Fail("open pts");
    }
    const int flags = fcntl(m_master, F_GETFL);
    fcntl(m_master, F_SETFL, flags | O_NONBLOCK);
}

PseudoTerminal::~PseudoTerminal() {
    RemoveLink();
    HangUp();
}

void PseudoTerminal::LinkAs(std::string_view portName) {
    RemoveLink();
    const std::filesystem::path folder = platform::DeviceMapFolder();
    std::filesystem::create_directories(folder);
    std::filesystem::path link = folder / std::string(portName);
    std::error_code ec;
    std::filesystem::remove(link, ec);
    std::filesystem::create_symlink(m_devicePath, link);
    if (::lstat(link.c_str(), &m_linkStat) != 0) {
        const int saved = errno;
        std::filesystem::remove(link, ec);
        errno = saved;
        Fail("lstat link");
    }
    m_link = std::move(link);
}

void PseudoTerminal::RemoveLink() {
    if (m_link.empty()) {
        return;
    }
    // Only our own link: another reader may have taken the name over since, even with the same
    // /dev/pts path.
    struct stat now {};
    const bool same = ::lstat(m_link.c_str(), &now) == 0 && now.st_dev == m_linkStat.st_dev &&
                      now.st_ino == m_linkStat.st_ino &&
                      now.st_ctim.tv_sec == m_linkStat.st_ctim.tv_sec &&
                      now.st_ctim.tv_nsec == m_linkStat.st_ctim.tv_nsec;
    std::error_code ec;
    if (same && std::filesystem::read_symlink(m_link, ec) == m_devicePath) {
        std::filesystem::remove(m_link, ec);
    }
    m_link.clear();
}

termios PseudoTerminal::SlaveSettings() const {
    termios t{};
    // On a master descriptor the terminal ioctls act on the slave's settings.
    tcgetattr(m_master, &t);
    return t;
}

bool PseudoTerminal::WriteAll(std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (m_master < 0) {
            return false;
        }
        const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EAGAIN) {
            pollfd p{m_master, POLLOUT, 0};
            ::poll(&p, 1, 100);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return false;
        }
    }
    return true;
}

bool PseudoTerminal::WriteAll(std::string_view text) {
    return WriteAll(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

void PseudoTerminal::FillLine() {
    const std::string filler(4096, 'x');
    // The kernel moves what waits in the terminal's buffers on to the reader's side a little
    // later, which makes room again: fill until no room has come back for a while, and down to
    // single bytes, since a short frame fits where a chunk does not.
    constexpr int kSettleMs = 50;
    pollfd room{m_keepAlive, POLLOUT, 0};
    do {
        for (std::size_t chunk = filler.size(); chunk > 0 && m_keepAlive >= 0;) {
            const ssize_t n = ::write(m_keepAlive, filler.data(), chunk);
            if (n < 0 && errno == EAGAIN) {
                chunk /= 2;
            } else if (n < 0 && errno != EINTR) {
                return;
            }
        }
    } while (m_keepAlive >= 0 && ::poll(&room, 1, kSettleMs) > 0);
}

std::size_t PseudoTerminal::UnreadInput() const {
    int count = 0;
    // The keep-alive descriptor is a reader of the same slave, so it sees the slave's input queue.
    if (m_keepAlive < 0 || ::ioctl(m_keepAlive, FIONREAD, &count) != 0 || count < 0) {
        return 0;
    }
    return static_cast<std::size_t>(count);
}

void PseudoTerminal::HangUp() {
    if (m_keepAlive >= 0) {
        ::close(m_keepAlive);
        m_keepAlive = -1;
    }
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}

}  // namespace sim
