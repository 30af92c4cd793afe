#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <vector>

#include "platform/gui/event_pump.h"

namespace platform {

std::uint32_t TickCount() {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<std::uint32_t>(ms);
}

namespace {
// The nested loops of the pumps running on the window's thread, innermost last.
thread_local std::vector<QEventLoop*> t_loops;
}  // namespace

void PumpEventsUntil(std::uint32_t start, std::uint32_t ms, const std::function<bool()>& stop) {
    // A nested loop that sleeps in the event dispatcher until an event or the timer is due: the
    // wait costs no CPU while the device thinks. The time test follows every return of the loop,
    // so a handler that ran its own modal loop inside the wait lengthens it, as it should.
    for (;;) {
        const std::uint32_t elapsed = TickCount() - start;
        if (elapsed >= ms || (stop && stop())) {
            return;
        }
        QEventLoop loop;
        QTimer::singleShot(std::chrono::milliseconds(ms - elapsed), Qt::PreciseTimer, &loop,
                           &QEventLoop::quit);
        t_loops.push_back(&loop);
        loop.exec();
        t_loops.pop_back();
    }
}

void WakePump() {
    // An outer loop that is told to quit does so as soon as the inner ones have returned to it.
    for (QEventLoop* loop : t_loops) {
        loop->quit();
    }
}

void PumpPendingEvents() {
    QCoreApplication::processEvents();
}

}  // namespace platform
