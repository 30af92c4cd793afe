#include "signal_storm.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace faulttest {
namespace {

constexpr int kSignal = SIGURG;
// How long the storm holds off once a thread waits for the kernel: a few scheduler ticks, so that
// the kernel's worker gets the CPU even when the process shares it with busy jobs.
constexpr auto kHoldOff = std::chrono::milliseconds(10);
std::atomic<std::uint64_t> g_handled{0};
static_assert(std::atomic<std::uint64_t>::is_always_lock_free);

void CountOnly(int) {
    g_handled.fetch_add(1, std::memory_order_relaxed);
}

std::vector<pid_t> OtherThreads(pid_t self) {
    std::vector<pid_t> threads;
    std::error_code ec;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", ec)) {
        const pid_t tid = static_cast<pid_t>(std::atoi(task.path().filename().c_str()));
        if (tid != self) {
            threads.push_back(tid);
        }
    }
    return threads;
}

// The state letter follows the name in parentheses, which may itself hold any character.
bool InUninterruptibleWait(pid_t tid) {
    std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/stat");
    std::string stat;
    std::getline(in, stat);
    const std::size_t end = stat.rfind(')');
    return end != std::string::npos && end + 2 < stat.size() && stat[end + 2] == 'D';
}

}  // namespace

SignalStorm::SignalStorm(std::chrono::microseconds period) {
    struct sigaction action {};
    action.sa_handler = CountOnly;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: interrupted calls fail with EINTR
    ::sigaction(kSignal, &action, &m_previous);
    m_sender = std::jthread([period](std::stop_token stop) {
        const pid_t process = ::getpid();
        const pid_t self = static_cast<pid_t>(::syscall(SYS_gettid));
        std::vector<pid_t> waitingBefore;
        while (!stop.stop_requested()) {
            const std::vector<pid_t> threads = OtherThreads(self);
            std::vector<pid_t> waiting;
            std::ranges::copy_if(threads, std::back_inserter(waiting), InUninterruptibleWait);
            // A wait that the kernel ends at once is let be; one still there a round later is not.
            const bool stillWaiting = std::ranges::any_of(
                waiting, [&](pid_t tid) { return std::ranges::count(waitingBefore, tid) > 0; });
            waitingBefore = std::move(waiting);
            if (stillWaiting) {
                waitingBefore.clear();
                std::this_thread::sleep_for(kHoldOff);
                continue;
            }
            for (const pid_t tid : threads) {
                // A thread that has just ended is no error: the next round does not see it.
                ::syscall(SYS_tgkill, process, tid, kSignal);
            }
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
