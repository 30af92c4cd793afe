// Requests to stop on POSIX: the handler of SIGINT, SIGTERM and SIGHUP only keeps the signal's
// number and writes a byte into a self-pipe; the main thread's input wait polls that pipe beside
// standard input, so it returns whichever thread the kernel chose to take the signal. SA_RESTART
// keeps the other threads' calls (the watch thread's poll, the log's writes) from failing with
// EINTR because of it. The first request is the one the program ends with.
//
// Input is read from the descriptor, not through stdio, so that a line waiting in a buffer can
// never hide from poll; what arrives beyond the line stays in `g_lines` for the next call.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/console.h"
#include "platform/input_lines.h"

namespace platform {
namespace {
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

std::atomic<int> g_interrupted{0};  // the first stop signal, 0 before one came
static_assert(std::atomic<int>::is_always_lock_free);
int g_wakeRead = -1;
int g_wakeWrite = -1;
InputLines g_lines;  // main thread only
bool g_inputEnded = false;

void OnInterrupt(int signal) {
    const int saved = errno;
    int none = 0;
    g_interrupted.compare_exchange_strong(none, signal);
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_wakeWrite, &byte, 1);
    errno = saved;
}

}  // namespace

bool IsStandardOutputTerminal() {
    return ::isatty(STDOUT_FILENO) == 1;
}

void DeferInterrupt() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;  // Ctrl+C then ends the process as usual: abrupt, but never ignored
    }
    g_wakeRead = fds[0];
    g_wakeWrite = fds[1];
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kStopSignals) {
        ::sigaction(signal, &action, nullptr);
    }
    ::signal(SIGXFSZ, SIG_IGN);
    ::signal(SIGPIPE, SIG_IGN);
}

bool InterruptRequested() {
    return g_interrupted.load() != 0;
}

void EndAsInterrupted() {
    const int signal = g_interrupted.load() != 0 ? g_interrupted.load() : SIGINT;
    ::signal(signal, SIG_DFL);
    ::raise(signal);
    ::_exit(128 + signal);  // only if the signal is blocked in this thread
}

void DiscardTypedAhead() {
    if (::isatty(STDIN_FILENO) == 1) {
        ::tcflush(STDIN_FILENO, TCIFLUSH);
        g_lines = InputLines();  // what was read already but not yet asked for goes too
    }
}

InputResult ReadInputLine(std::string& line, bool wait) {
    for (;;) {
        if (g_interrupted.load() != 0) {
            return InputResult::Interrupted;
        }
        if (g_lines.Take(line, g_inputEnded)) {
            return InputResult::Line;
        }
        if (g_inputEnded) {
            return InputResult::End;
        }
        pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {g_wakeRead, POLLIN, 0}};
        const int ready = ::poll(fds, 2, wait ? -1 : 0);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            g_inputEnded = true;
            continue;
        }
        if (ready == 0) {
            return InputResult::NotYet;
        }
        if (fds[0].revents == 0) {
            continue;  // the wake pipe: the interrupt test above answers it
        }
        char buffer[512];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n > 0) {
            g_lines.Append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
            g_inputEnded = true;
        }
    }
}

}  // namespace platform
