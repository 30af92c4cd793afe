#pragma once
// How many descriptors and threads this process holds, to show that repeated work leaks neither.

#include <cstddef>

namespace testsupport {

std::size_t OpenDescriptorCount();  // entries of /proc/self/fd
std::size_t ThreadCount();          // entries of /proc/self/task

}  // namespace testsupport
