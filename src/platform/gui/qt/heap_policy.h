#pragma once
// How the C library's allocator treats the process's large blocks.

namespace platform::qt {

// Blocks from 128 KiB up get pages of their own, which go back to the system when freed. Left to
// itself glibc raises that threshold to the largest block freed so far (up to 32 MiB): once a
// flood has grown an answer text to megabytes, the next such texts come from the heap, whose
// freed pages stay resident and scattered, and resident memory climbs with every flood.
// Call it first thing, before the window system allocates.
void KeepLargeBlocksOffTheHeap();

}  // namespace platform::qt
