#include "support/process_counts.h"

#include "platform/thread_name.h"
#include "support/wait_until.h"

#include <malloc.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime's count of heap bytes in use; its header ships with clang only.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace testsupport {
namespace {
std::size_t EntriesOf(const char* folder) {
    const std::filesystem::directory_iterator entries(folder);
    // The iterator's own descriptor is among the entries; it is not the caller's.
    return static_cast<std::size_t>(std::distance(entries, std::filesystem::directory_iterator{}));
}
}  // namespace

std::size_t OpenDescriptorCount() {
    return EntriesOf("/proc/self/fd") - 1;
}
std::size_t ThreadCount() {
    return EntriesOf("/proc/self/task");
}

std::size_t WatchThreadCount() {
    std::size_t count = 0;
    std::error_code ec;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", ec)) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        // A thread that ends meanwhile leaves an empty read, which counts as not ours.
        if (std::getline(comm, name) && name == platform::kWatchThreadName) {
            ++count;
        }
    }
    return count;
}

bool WatchThreadsComeTo(std::size_t count) {
    return WaitUntil([count] { return WatchThreadCount() == count; });
}

long HeapInUseKiB() {
#if defined(__SANITIZE_ADDRESS__)
    return static_cast<long>(__sanitizer_get_current_allocated_bytes() / 1024);
#else
    const struct mallinfo2 info = ::mallinfo2();
    return static_cast<long>((info.uordblks + info.hblkhd) / 1024);
#endif
}

long MemoryKiB() {
#if defined(__SANITIZE_ADDRESS__)
    return HeapInUseKiB();
#else
    long pages = 0;
    long resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
#endif
}

}  // namespace testsupport
