// The watch thread: waits for received characters, drains the port into the queue and tells the
// window once per receive event, and once when the device vanishes.
//
// It touches no GUI object: the window hears of it only through a posted message, and its two
// messages to the operator go through the box service, which shows them on the window's thread
// while this one goes on. A flood would otherwise raise one modal box per dropped burst, thousands
// of them: while one "buff full" box is up, further bursts that do not fit are dropped without
// another. `boxUp` is shared with the box's closing call, which may come after this thread ends.

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "comm/comm_channel.h"
#include "platform/message_box.h"
#include "platform/thread_name.h"

namespace {

constexpr std::int32_t kReadChunk = 2048;

// Reads until a read finds nothing. Whole bursts only: one that does not fit is dropped, so the
// window never sees a message with a hole in it. Stops early on a stop request, so that a far
// side that never stops sending cannot keep Close waiting.
void DrainPort(CCommChannel& channel, const std::stop_token& stop,
               const std::shared_ptr<std::atomic<bool>>& boxUp) {
    std::uint8_t buffer[kReadChunk];
    while (!stop.stop_requested()) {
        const std::int32_t n = channel.ReadComm(buffer, kReadChunk);
        if (n == 0) {
            return;
        }
        if (n < RX_QUEUE_SIZE - channel.m_rxQueue.GetCount()) {
            for (std::int32_t i = 0; i < n; ++i) {
                (void)channel.m_rxQueue.PutByte(buffer[i]);  // room for all n was checked above
            }
        } else if (!boxUp->exchange(true)) {
            platform::ShowMessageFromWorker("buff full", [boxUp] { boxUp->store(false); });
        }
    }
}

}  // namespace

std::int32_t ThreadWatchComm(CCommChannel& channel, std::stop_token stop) {
    platform::NameThisThread(platform::kWatchThreadName);
    if (channel.m_hComm.SetEventMask(platform::kEvRxChar).Failed()) {
        platform::ShowMessageFromWorker("Error while creating ThreadWatchComm, " +
                                        channel.m_strPortPath);
        return 0;
    }
    const auto boxUp = std::make_shared<std::atomic<bool>>(false);
    bool toldGone = false;
    while (channel.m_bConnected.load() == 1) {
        std::uint32_t events = 0;
        // A failed wait comes back with no events; a device that vanished is DeviceGone's below.
        (void)channel.m_hComm.WaitEvent(events);
        if ((events & platform::kEvRxChar) != 0) {
            DrainPort(channel, stop, boxUp);
            platform::PostWindowMessage(g_hMainWnd.load(), WM_RX_NOTIFY);
        }
        // Once: a vanished device wakes no further wait, so the thread then sleeps until Close.
        if (!toldGone && channel.m_hComm.DeviceGone()) {
            toldGone = true;
            platform::PostWindowMessage(g_hMainWnd.load(), WM_DEVICE_GONE);
        }
        std::this_thread::yield();
    }
    return 1;
}
