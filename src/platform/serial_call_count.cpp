#include "platform/serial_call_count.h"

#include "platform/serial_device.h"

namespace platform {

calls::CallCounters calls::g_calls;

SerialCallCounts SerialCalls() {
    const calls::CallCounters& c = calls::g_calls;
    return SerialCallCounts{c.total.load(std::memory_order_relaxed),
                            c.reads.load(std::memory_order_relaxed),
                            c.writes.load(std::memory_order_relaxed),
                            c.queueQueries.load(std::memory_order_relaxed),
                            c.waitWakeups.load(std::memory_order_relaxed),
                            c.bytesRead.load(std::memory_order_relaxed)};
}

}  // namespace platform
