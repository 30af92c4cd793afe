#include "platform/gui/qt/heap_policy.h"

#include <malloc.h>

namespace platform::qt {

void KeepLargeBlocksOffTheHeap() {
#if defined(__GLIBC__)
    // Fixing the threshold also stops glibc from moving it, and the trim threshold with it.
    ::mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
}

}  // namespace platform::qt
