#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <chrono>

#include "platform/event_pump.h"

namespace platform {

std::uint32_t TickCount() {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<std::uint32_t>(ms);
}

void PumpEventsUntil(std::uint32_t start, std::uint32_t ms) {
    // A nested loop that sleeps in the event dispatcher until an event or the timer is due: the
    // wait costs no CPU while the device thinks. The time test follows every return of the loop,
    // so a handler that ran its own modal loop inside the wait lengthens it, as it should.
    for (;;) {
        const std::uint32_t elapsed = TickCount() - start;
        if (elapsed >= ms) {
            return;
        }
        QEventLoop loop;
        QTimer::singleShot(std::chrono::milliseconds(ms - elapsed), Qt::PreciseTimer, &loop,
                           &QEventLoop::quit);
        loop.exec();
    }
}

void PumpPendingEvents() {
    QCoreApplication::processEvents();
}

}  // namespace platform
