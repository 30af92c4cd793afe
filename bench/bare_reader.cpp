#include "bare_reader.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <vector>

namespace bench {
namespace {

// The terminal's device opened raw, as the channel opens a port.
platform::UniqueFd OpenRaw(const sim::PseudoTerminal& pty) {
    const std::string& path = pty.DevicePath();
    platform::UniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    termios t{};
    if (fd.get() < 0 || ::tcgetattr(fd.get(), &t) != 0) {
        throw std::system_error(errno, std::generic_category(), "open " + path);
    }
    ::cfmakeraw(&t);
    ::tcsetattr(fd.get(), TCSANOW, &t);
    return fd;
}

}  // namespace

BareReader::BareReader(const sim::PseudoTerminal& pty, std::size_t chunk, OnBytes onBytes)
    : m_fd(OpenRaw(pty)),
      m_stop(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      m_onBytes(std::move(onBytes)),
      m_thread([this, chunk] { Run(chunk); }) {}

BareReader::~BareReader() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_stop.get(), &one, sizeof one);
    m_thread.join();
}

void BareReader::Run(std::size_t chunk) {
    std::vector<std::uint8_t> buffer(chunk);
    pollfd fds[2]{{m_fd.get(), POLLIN, 0}, {m_stop.get(), POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if ((fds[1].revents & POLLIN) != 0 || (fds[0].revents & (POLLHUP | POLLERR)) != 0) {
            return;
        }
        const ssize_t n = ::read(m_fd.get(), buffer.data(), buffer.size());
        if (n > 0) {
            m_onBytes(std::span(buffer.data(), static_cast<std::size_t>(n)));
        }
    }
}

}  // namespace bench
