// OPEN: CCommChannel::Open on a pseudo-terminal, which looks through /proc for sessions and for
// other processes that hold the device, next to the floor of the same job without that look:
// open, lock, claim and configure the device by hand. The look grows with the number of
// processes and descriptors on the machine, so the note gives both.
//
// Everything runs on the main thread; each Open starts the watch thread, which Close ends.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

#include "comm/comm_channel.h"
#include "harness.h"
#include "platform/linux/unique_fd.h"
#include "simreader/pseudo_terminal.h"

namespace bench {
namespace {

constexpr int kCycles = 200;

double OpenChannel(CCommChannel& channel) {
    const Clock::time_point start = Clock::now();
    if (channel.Open(PortSettings{"COM7", 57600, 8, 2, 0}) != 1) {
        throw std::runtime_error("open failed: " + channel.m_openError.text);
    }
    const double us = Micros(Clock::now() - start);
    channel.Close();
    return us;
}

double OpenByHand(const std::string& device) {
    const Clock::time_point start = Clock::now();
    const platform::UniqueFd fd(::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    termios t{};
    if (fd.get() < 0 || ::tcgetattr(fd.get(), &t) != 0 ||
        ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 || ::ioctl(fd.get(), TIOCEXCL) != 0) {
        throw std::runtime_error("the floor could not open " + device);
    }
    cfmakeraw(&t);
    ::tcsetattr(fd.get(), TCSANOW, &t);
    ::ioctl(fd.get(), TIOCNXCL);
    return Micros(Clock::now() - start);
}

// Processes and descriptors that the look goes through.
std::pair<std::size_t, std::size_t> ProcessesAndDescriptors() {
    std::size_t processes = 0;
    std::size_t descriptors = 0;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        ++processes;
        std::error_code inner;
        for (auto it = std::filesystem::directory_iterator(entry.path() / "fd", inner);
             it != std::filesystem::directory_iterator(); it.increment(inner)) {
            ++descriptors;
        }
    }
    return {processes, descriptors};
}

void OpenLatency(Table& table) {
    sim::PseudoTerminal far;
    far.LinkAs("COM7");
    CCommChannel channel;
    std::vector<double> opens;
    std::vector<double> floor;
    for (int i = 0; i < kCycles; ++i) {
        opens.push_back(OpenChannel(channel));
        floor.push_back(OpenByHand(far.DevicePath()));
    }
    const double median = Median(opens);
    const double floorMedian = Median(floor);
    table.Add({"6 OPEN (channel Open), median", Text("%.2f ms", median / 1000),
               Text("%.2f ms by hand", floorMedian / 1000), Text("%.1fx", median / floorMedian),
               "<= 50 ms", Verdict(median <= 50'000.0)});
    table.Add({"6 OPEN p99", Text("%.2f ms", Quantile(opens, 0.99) / 1000),
               Text("%.2f ms", Quantile(floor, 0.99) / 1000), "", "", ""});
    const auto [processes, descriptors] = ProcessesAndDescriptors();
    table.Note(
        Text("6: %d OPEN/Close cycles taking turns with the floor; the machine had %zu "
             "processes with %zu descriptors",
             kCycles, processes, descriptors));
}

const Registration kRegistration(6, "open", OpenLatency);

}  // namespace
}  // namespace bench
