#include "signal_storm.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace faulttest {
namespace {

constexpr int kSignal = SIGURG;
std::atomic<std::uint64_t> g_handled{0};
static_assert(std::atomic<std::uint64_t>::is_always_lock_free);

void CountOnly(int) {
    g_handled.fetch_add(1, std::memory_order_relaxed);
}

void SignalEveryOtherThread(pid_t self) {
    const pid_t process = ::getpid();
    std::error_code ec;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", ec)) {
        const pid_t tid = static_cast<pid_t>(std::atoi(task.path().filename().c_str()));
        if (tid != self) {
            // A thread that has just ended is no error: the next round does not see it.
            ::syscall(SYS_tgkill, process, tid, kSignal);
        }
    }
}

}  // namespace

SignalStorm::SignalStorm(std::chrono::microseconds period) {
    struct sigaction action {};
    action.sa_handler = CountOnly;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: interrupted calls fail with EINTR
    ::sigaction(kSignal, &action, &m_previous);
    m_sender = std::jthread([period](std::stop_token stop) {
        const pid_t self = static_cast<pid_t>(::syscall(SYS_gettid));
        while (!stop.stop_requested()) {
            SignalEveryOtherThread(self);
            std::this_thread::sleep_for(period);
        }
    });
}

SignalStorm::~SignalStorm() {
    m_sender.request_stop();
    m_sender.join();
    ::sigaction(kSignal, &m_previous, nullptr);
}

std::uint64_t SignalStorm::Handled() {
    return g_handled.load(std::memory_order_relaxed);
}

}  // namespace faulttest
