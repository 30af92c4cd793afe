#include "platform/gui/event_pump.h"

#include "platform/gui/win32/native.h"
#include "platform/windows/win32_api.h"

namespace platform {
namespace {

// Handles the messages already waiting; false when a WM_QUIT came (it is posted again, for the
// outer loops) or `done` holds after one of them.
bool HandleWaiting(const std::function<bool()>& done) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        win32::RouteMessage(message);
        if (done && done()) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::uint32_t TickCount() {
    return GetTickCount();
}

void PumpEventsUntil(std::uint32_t start, std::uint32_t ms, const std::function<bool()>& stop) {
    // Asleep in MsgWaitForMultipleObjectsEx until a message or the deadline: the wait costs no CPU
    // while the device thinks. The time test follows every message, so a handler that ran its
    // own modal loop inside the wait lengthens it, as it should.
    const auto done = [&] { return TickCount() - start >= ms || (stop && stop()); };
    while (!done() && HandleWaiting(done)) {
        const std::uint32_t elapsed = TickCount() - start;
        if (elapsed < ms) {
            MsgWaitForMultipleObjectsEx(0, nullptr, ms - elapsed, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        }
    }
}

void WakePump() {
    // The pumps test `stop` after every message they handle; this one makes sure there is one.
    PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
}

void PumpPendingEvents() {
    HandleWaiting({});
}

}  // namespace platform
