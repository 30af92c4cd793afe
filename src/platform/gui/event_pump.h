#pragma once
// The services a wait needs while the window's thread keeps handling its events.

#include <cstdint>
#include <functional>

namespace platform {

// Milliseconds since an arbitrary start; wraps at 32 bits, so compare differences, unsigned.
std::uint32_t TickCount();

// Handles the calling thread's events (posted messages, painting, input) until `ms` have passed
// since `start` (a TickCount value), blocking while none is due. Returns at once, taking no
// event, when that time is already over. Returns early once `stop` (when given) holds; it is
// tested before the first event and whenever WakePump is called.
void PumpEventsUntil(std::uint32_t start, std::uint32_t ms, const std::function<bool()>& stop = {});

// Makes every pump running on this thread test its `stop` at once.
void WakePump();

// Handles the events already waiting for the calling thread, without blocking.
void PumpPendingEvents();

}  // namespace platform
