// SIGTERM, SIGINT and SIGHUP through a self-pipe: the handler may only call async-signal-safe
// functions, so it writes one byte and nothing else; the window's thread reads it.
//
// The handler runs on whichever thread the kernel picks and reads the write end from an atomic
// that is lock-free, so it neither takes a lock nor sees a half-written value. SA_RESTART keeps
// the signal from ending the system calls it interrupts.

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>

#include "platform/linux/quit_signals.h"

namespace platform {
namespace {

constexpr std::array kQuitSignals{SIGTERM, SIGINT, SIGHUP};

std::atomic<int> g_writeEnd{-1};
static_assert(std::atomic<int>::is_always_lock_free);
std::array<struct sigaction, kQuitSignals.size()> g_previous{};

extern "C" void OnQuitSignal(int) {
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds a request; nothing is lost by dropping this one.
    [[maybe_unused]] const ssize_t n = ::write(g_writeEnd.load(), &byte, 1);
    errno = saved;
}

}  // namespace

QuitSignals::QuitSignals() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    m_read = ends[0];
    m_write = ends[1];
    g_writeEnd.store(m_write);
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kQuitSignals.size(); ++i) {
        ::sigaction(kQuitSignals[i], &action, &g_previous[i]);
    }
}

QuitSignals::~QuitSignals() {
    if (m_read < 0) {
        return;
    }
    for (std::size_t i = 0; i < kQuitSignals.size(); ++i) {
        ::sigaction(kQuitSignals[i], &g_previous[i], nullptr);
    }
    g_writeEnd.store(-1);
    ::close(m_write);
    ::close(m_read);
}

void QuitSignals::Take() {
    char bytes[64];
    while (::read(m_read, bytes, sizeof bytes) > 0) {
    }
}

}  // namespace platform
