// Start-up and memory: from process start until the main dialog has been shown and painted, and
// the peak resident set size, for the program and for a bare Qt dialog built the same way, both on
// the offscreen platform. Each is started through spawn_measure (see there why) many times, the
// two taking turns; the figures are medians.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <stdexcept>
#include <string>

#include "harness.h"

extern char** environ;

namespace bench {
namespace {

constexpr int kRounds = 40;

struct Launch {
    double shownMs;
    double peakMiB;
};

// Runs `program` through spawn_measure and collects what both of them write.
std::string Output(const char* program) {
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, pipe[1], STDOUT_FILENO);
    // Qt's remarks about the offscreen platform are not what is measured.
    ::posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    char* argv[] = {const_cast<char*>(VELMORA_BENCH_SPAWN), const_cast<char*>(program), nullptr};
    pid_t pid = 0;
    const int failed = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(pipe[1]);
    std::string text;
    char buffer[512];
    for (ssize_t n; !failed && (n = ::read(pipe[0], buffer, sizeof buffer)) != 0;) {
        if (n > 0) {
            text.append(buffer, static_cast<std::size_t>(n));
        } else if (errno != EINTR) {
            break;
        }
    }
    ::close(pipe[0]);
    if (failed != 0) {
        throw std::runtime_error(std::string("cannot start ") + argv[0]);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return text;
}

Launch LaunchOnce(const char* program) {
    std::istringstream lines(Output(program));
    long long start = -1;
    long long shown = -1;
    long maxrss = -1;
    int status = -1;
    for (std::string key; lines >> key;) {
        if (key == "start") {
            lines >> start;
        } else if (key == "shown") {
            lines >> shown;
        } else if (key == "maxrss") {
            lines >> maxrss >> key >> status;
        }
    }
    if (start < 0 || shown < 0 || maxrss < 0 || status != 0) {
        throw std::runtime_error(std::string(program) + " did not show its dialog and end cleanly");
    }
    return Launch{static_cast<double>(shown - start) / 1e6, static_cast<double>(maxrss) / 1024};
}

void StartupAndMemory(Table& table) {
    const char* programs[] = {VELMORA_BENCH_PROGRAM, VELMORA_BENCH_BARE};
    // The first starts fill the file caches; they are not counted.
    for (const char* program : programs) {
        LaunchOnce(program);
    }
    std::vector<double> shown[2];
    std::vector<double> peak[2];
    for (int round = 0; round < kRounds; ++round) {
        for (int i = 0; i < 2; ++i) {
            const Launch launch = LaunchOnce(programs[i]);
            shown[i].push_back(launch.shownMs);
            peak[i].push_back(launch.peakMiB);
        }
    }
    const double shownRatio = Median(shown[0]) / Median(shown[1]);
    const double peakRatio = Median(peak[0]) / Median(peak[1]);
    table.Add({"5 start -> main dialog shown, median", Text("%.1f ms", Median(shown[0])),
               Text("%.1f ms bare Qt dialog", Median(shown[1])), Text("%.2fx", shownRatio),
               "<= 1.2x", Verdict(shownRatio <= 1.2)});
    table.Add({"5 peak RSS (ru_maxrss), median", Text("%.1f MiB", Median(peak[0])),
               Text("%.1f MiB bare Qt dialog", Median(peak[1])), Text("%.2fx", peakRatio),
               "<= 1.2x", Verdict(peakRatio <= 1.2)});
    table.Note(
        Text("5: %d starts of each program taking turns, after one discarded each; "
             "start-up p90 %.1f ms vs %.1f ms",
             kRounds, Quantile(shown[0], 0.9), Quantile(shown[1], 0.9)));
}

const Registration kRegistration(5, "start-up and memory", StartupAndMemory);

}  // namespace
}  // namespace bench
