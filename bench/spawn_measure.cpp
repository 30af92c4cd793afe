// Starts one program and reports, on standard output, when it started and its peak resident set
// size: "start <CLOCK_MONOTONIC ns>", then whatever the program writes, then
// "maxrss <KiB> status <wait status>".
//
// Why a process of its own: Linux hands a child the memory high-water mark of the process it was
// forked from (exec records the old image's peak in the child's rusage), so a child of the large
// benchmark process would report the benchmark's peak. Forked from this small one, it reports
// its own.

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

#include <cstdio>

extern char** environ;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s program [arguments]\n", argv[0]);
        return 2;
    }
    timespec start{};
    ::clock_gettime(CLOCK_MONOTONIC, &start);
    std::printf("start %lld\n",
                static_cast<long long>(start.tv_sec) * 1'000'000'000 + start.tv_nsec);
    std::fflush(stdout);
    pid_t child = 0;
    if (::posix_spawn(&child, argv[1], nullptr, nullptr, argv + 1, environ) != 0) {
        std::perror("posix_spawn");
        return 1;
    }
    int status = 0;
    rusage usage{};
    if (::wait4(child, &status, 0, &usage) != child) {
        std::perror("wait4");
        return 1;
    }
    std::printf("maxrss %ld status %d\n", usage.ru_maxrss, status);
    return 0;
}
