#pragma once
// How many descriptors, threads and how much memory this process holds, to show that repeated
// work leaks none of them.

#include <cstddef>

namespace testsupport {

std::size_t OpenDescriptorCount();  // entries of /proc/self/fd
std::size_t ThreadCount();          // entries of /proc/self/task
// Watch threads alive, told by their name: the sanitizers start threads of their own at times
// of their choosing, so a count of all threads does not show what a test did.
std::size_t WatchThreadCount();
// Whether the watch threads alive come to `count` within a few seconds. A joined thread is still
// listed for a moment after the join returns: the kernel wakes the joiner on its way out and
// takes it off the list only at the end, later still on a busy machine.
bool WatchThreadsComeTo(std::size_t count);
// Resident memory; under AddressSanitizer, which keeps freed blocks resident in quarantine, the
// heap in use instead.
long MemoryKiB();
// Heap in use: what the allocator has handed out and not been given back (mallinfo2's blocks in
// use, mmapped ones included), free of the pages it keeps for later; under AddressSanitizer its
// own count.
long HeapInUseKiB();

}  // namespace testsupport
