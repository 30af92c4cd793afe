// Receive latency: from a byte written on the far side of a pseudo-terminal to the channel's
// WM_RX_NOTIFY post, next to a bare poll+read loop on the same kind of terminal, which is the
// least any reader can take.
//
// Threads: the main thread writes one byte at a time and waits for it to be reported before the
// next, so samples never overlap; the channel's watch thread (or the bare loop's thread) reports.

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <stop_token>
#include <thread>
#include <vector>

#include "comm/comm_channel.h"
#include "simreader/pseudo_terminal.h"
#include "support/recording_window_poster.h"
#include "support/temp_config_home.h"

namespace {

using Clock = std::chrono::steady_clock;
using Micros = std::chrono::duration<double, std::micro>;

constexpr int kSamples = 4000;
constexpr auto kGiveUp = std::chrono::seconds(2);

struct Summary {
    double median;
    double p99;
    double min;
    double max;
};

Summary Summarise(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double q) {
        return samples[static_cast<std::size_t>(q * (samples.size() - 1))];
    };
    return Summary{at(0.5), at(0.99), samples.front(), samples.back()};
}

// Writes one byte at a time and times it until the poster records its report.
std::optional<std::vector<double>> Measure(sim::PseudoTerminal& pty,
                                           testsupport::RecordingWindowPoster& poster) {
    std::vector<double> samples;
    for (int i = 0; i < kSamples; ++i) {
        const std::size_t before = poster.Count();
        const std::uint8_t byte = static_cast<std::uint8_t>(i);
        const Clock::time_point sent = Clock::now();
        pty.WriteAll(std::span(&byte, 1));
        if (!poster.WaitForCount(before + 1, kGiveUp)) {
            return std::nullopt;
        }
        samples.push_back(Micros(poster.Posts().back().when - sent).count());
    }
    return samples;
}

std::optional<std::vector<double>> MeasureChannel() {
    testsupport::RecordingWindowPoster poster;
    sim::PseudoTerminal pty;
    pty.LinkAs("COM7");
    CCommChannel channel;
    g_hMainWnd.store(testsupport::FakeWindow());
    if (channel.Open(PortSettings{"COM7", 57600, 8, 2, 0}) != 1) {
        std::fprintf(stderr, "open failed: %s\n", channel.m_openError.text.c_str());
        return std::nullopt;
    }
    // The queue holds 4191 bytes and the window's thread is not running: leave room.
    static_assert(kSamples < RX_QUEUE_SIZE);
    std::optional<std::vector<double>> samples = Measure(pty, poster);
    channel.Close();
    g_hMainWnd.store(nullptr);
    return samples;
}

// The same report, straight from a thread that polls and reads a raw terminal.
std::optional<std::vector<double>> MeasureBareLoop() {
    testsupport::RecordingWindowPoster poster;
    sim::PseudoTerminal pty;
    const int fd = ::open(pty.DevicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    termios t{};
    ::tcgetattr(fd, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(fd, TCSANOW, &t);
    std::jthread reader([&](std::stop_token stop) {
        while (!stop.stop_requested()) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) {
                continue;
            }
            std::uint8_t buffer[64];
            if (::read(fd, buffer, sizeof buffer) > 0) {
                platform::PostWindowMessage(testsupport::FakeWindow(), WM_RX_NOTIFY);
            }
        }
    });
    std::optional<std::vector<double>> samples = Measure(pty, poster);
    reader.request_stop();
    reader.join();
    ::close(fd);
    return samples;
}

}  // namespace

int main() {
    testsupport::TempConfigHome config;
    const std::optional<std::vector<double>> channel = MeasureChannel();
    const std::optional<std::vector<double>> bare = MeasureBareLoop();
    if (!channel || !bare) {
        std::fprintf(stderr, "a byte was not reported within %lld s\n",
                     static_cast<long long>(kGiveUp.count()));
        return 1;
    }
    std::printf("rx latency, pty write -> report, %d samples each, microseconds\n", kSamples);
    std::printf("%-28s %9s %9s %9s %9s\n", "path", "median", "p99", "min", "max");
    const auto row = [](const char* name, const std::vector<double>& samples) {
        const Summary s = Summarise(samples);
        std::printf("%-28s %9.1f %9.1f %9.1f %9.1f\n", name, s.median, s.p99, s.min, s.max);
    };
    row("channel -> WM_RX_NOTIFY post", *channel);
    row("bare poll+read loop", *bare);
    return 0;
}
