// Close: from CCommChannel::Close until the watch thread is gone. Close joins the thread before
// it releases the device, so its return is later than the thread's end and its duration is an
// upper bound. Next to it, the floor of the same job: waking a thread that sleeps in poll on an
// eventfd and joining it.
//
// Threads: the main thread opens and closes; before each Close it waits until the watch thread
// has entered its wait (the serial layer counts every entry into the blocking call), then gives
// it a moment to block, so that every Close finds the thread asleep, the ordinary case.

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <stdexcept>
#include <thread>

#include "comm/comm_channel.h"
#include "harness.h"
#include "platform/linux/unique_fd.h"
#include "platform/serial_device.h"
#include "simreader/pseudo_terminal.h"
#include "support/process_counts.h"

namespace bench {
namespace {

constexpr int kCycles = 1000;
constexpr auto kSettle = std::chrono::microseconds(300);

void WaitForWatchThreadAsleep(std::uint64_t wakeupsBefore) {
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(2);
    while (platform::SerialCalls().waitWakeups == wakeupsBefore) {
        if (Clock::now() >= deadline) {
            throw std::runtime_error("the watch thread never waited");
        }
        std::this_thread::yield();
    }
    std::this_thread::sleep_for(kSettle);
}

double CloseChannel(CCommChannel& channel) {
    const std::uint64_t wakeups = platform::SerialCalls().waitWakeups;
    if (channel.Open(PortSettings{"COM7", 57600, 8, 2, 0}) != 1) {
        throw std::runtime_error("open failed: " + channel.m_openError.text);
    }
    WaitForWatchThreadAsleep(wakeups);
    const Clock::time_point start = Clock::now();
    channel.Close();
    const double us = Micros(Clock::now() - start);
    if (channel.m_nWatchExitCode.load() != 1) {
        throw std::runtime_error("the watch thread did not end normally");
    }
    return us;
}

double WakeAndJoin() {
    platform::UniqueFd wake(::eventfd(0, EFD_CLOEXEC));
    std::atomic<bool> waiting{false};
    std::thread sleeper([&] {
        pollfd p{wake.get(), POLLIN, 0};
        waiting.store(true);
        while (::poll(&p, 1, -1) < 0) {
        }
    });
    while (!waiting.load()) {
        std::this_thread::yield();
    }
    std::this_thread::sleep_for(kSettle);
    const Clock::time_point start = Clock::now();
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wake.get(), &one, sizeof one);
    sleeper.join();
    return Micros(Clock::now() - start);
}

void CloseLatency(Table& table) {
    sim::PseudoTerminal far;
    far.LinkAs("COM7");
    CCommChannel channel;
    const std::size_t threadsBefore = testsupport::ThreadCount();
    std::vector<double> closes;
    std::vector<double> floor;
    for (int i = 0; i < kCycles; ++i) {
        closes.push_back(CloseChannel(channel));
        floor.push_back(WakeAndJoin());
    }
    const double median = Median(closes);
    const double floorMedian = Median(floor);
    table.Add({"4 Close -> watch thread gone, median", Text("%.1f us", median),
               Text("%.1f us wake+join", floorMedian), Text("%.2fx", median / floorMedian),
               "<= 1 ms", Verdict(median <= 1000.0)});
    table.Add({"4 Close p99", Text("%.1f us", Quantile(closes, 0.99)),
               Text("%.1f us", Quantile(floor, 0.99)), "", "", ""});
    table.Note(
        Text("4: %d OPEN/Close cycles taking turns with the floor; threads %zu before, "
             "%zu after",
             kCycles, threadsBefore, testsupport::ThreadCount()));
}

const Registration kRegistration(4, "close", CloseLatency);

}  // namespace
}  // namespace bench
