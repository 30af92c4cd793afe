#pragma once
// The serial backends' tally of the system calls they make on ports (see SerialCalls). Relaxed
// counts: statistics that no other memory depends on.

#include <atomic>
#include <cstdint>

namespace platform::calls {

struct CallCounters {
    std::atomic<std::uint64_t> total{0};
    std::atomic<std::uint64_t> reads{0};
    std::atomic<std::uint64_t> writes{0};
    std::atomic<std::uint64_t> queueQueries{0};
    std::atomic<std::uint64_t> waitWakeups{0};
    std::atomic<std::uint64_t> bytesRead{0};
};
extern CallCounters g_calls;

inline void CountCall() {
    g_calls.total.fetch_add(1, std::memory_order_relaxed);
}
inline void CountCall(std::atomic<std::uint64_t>& kind) {
    CountCall();
    kind.fetch_add(1, std::memory_order_relaxed);
}
inline void CountBytesRead(std::uint64_t n) {
    g_calls.bytesRead.fetch_add(n, std::memory_order_relaxed);
}

}  // namespace platform::calls
