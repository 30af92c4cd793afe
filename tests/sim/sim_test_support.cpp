#include "sim_test_support.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <thread>

namespace simtest {

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (!done()) {
        if (Clock::now() >= deadline) {
            return done();
        }
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

void SimReaderTest::SetUp() {
    std::string pattern = (std::filesystem::temp_directory_path() / "velmora-sim-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    m_configHome = pattern;
    ::setenv("XDG_CONFIG_HOME", m_configHome.c_str(), 1);
}

void SimReaderTest::TearDown() {
    ::unsetenv("XDG_CONFIG_HOME");
    std::error_code ec;
    std::filesystem::remove_all(m_configHome, ec);
}

std::filesystem::path SimReaderTest::MapFolder() const {
    return m_configHome / "velmora" / "ports";
}

FarSide::FarSide(const std::string& devicePath)
    : m_fd(::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
    if (m_fd.get() < 0) {
        throw std::system_error(errno, std::generic_category(), devicePath);
    }
    termios t{};
    tcgetattr(m_fd.get(), &t);
    cfmakeraw(&t);
    tcsetattr(m_fd.get(), TCSANOW, &t);
}

void FarSide::Send(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(m_fd.get(), bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
        } else if (n < 0 && errno == EAGAIN) {
            pollfd p{m_fd.get(), POLLOUT, 0};
            ::poll(&p, 1, 100);
        } else if (!(n < 0 && errno == EINTR)) {
            throw std::system_error(errno, std::generic_category(), "write to the pty");
        }
    }
}

std::vector<FarSide::Chunk> FarSide::ReadChunks(std::size_t count,
                                                std::chrono::milliseconds timeout) {
    std::vector<Chunk> chunks;
    std::size_t total = 0;
    const auto deadline = Clock::now() + timeout;
    while (total < count && !m_hungUp) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            break;
        }
        pollfd p{m_fd.get(), POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            continue;
        }
        char buffer[65536];
        const ssize_t n = ::read(m_fd.get(), buffer, std::min(sizeof buffer, count - total));
        if (n > 0) {
            chunks.push_back({std::string(buffer, static_cast<std::size_t>(n)), Clock::now()});
            total += static_cast<std::size_t>(n);
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            m_hungUp = true;  // EIO: the master has closed
        }
    }
    return chunks;
}

std::string FarSide::Read(std::size_t count, std::chrono::milliseconds timeout) {
    return Join(ReadChunks(count, timeout));
}

std::string FarSide::ReadFor(std::chrono::milliseconds period) {
    return Read(SIZE_MAX, period);
}

std::string Join(const std::vector<FarSide::Chunk>& chunks) {
    std::string bytes;
    for (const FarSide::Chunk& chunk : chunks) {
        bytes += chunk.bytes;
    }
    return bytes;
}

}  // namespace simtest
