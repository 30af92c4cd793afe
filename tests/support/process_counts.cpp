#include "support/process_counts.h"

#include <filesystem>
#include <iterator>

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

}  // namespace testsupport
