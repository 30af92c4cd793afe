#pragma once
// The serial channel as velmora-tag uses it: one port, open for the whole run, and the exchange
// with the tag device.
//
// There is no window: this object stands in for it. It installs itself as the poster of
// WM_RX_NOTIFY, and its answer wait blocks on a condition variable until the watch thread posts or
// the second is over, then drains the receive queue as the window's handler does.
//
// Threads: the watch thread calls Post (and only that); everything else runs on the main thread.
// `m_notified` and `m_gone` are shared, under `m_mutex`. The destructor closes the port, which
// joins the watch thread, before it takes the poster away, so no post can reach a poster that is
// going.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "comm/comm_channel.h"
#include "platform/result.h"
#include "platform/window_post.h"
#include "tag/exchange.h"

namespace cli {

// How long an exchange waits for its answer.
struct Wait {
    // No byte this long after the frame: no answer (a poll for a tag takes less than the second,
    // since a tag that is there answers the next poll).
    std::chrono::milliseconds silence{tag::kAnswerWaitMs};
    bool fullSecond = false;  // the design's fixed second, quick end or not
};

class PortSession : private platform::WindowPoster {
  public:
    PortSession();
    ~PortSession() override;
    PortSession(const PortSession&) = delete;
    PortSession& operator=(const PortSession&) = delete;

    // Opens the port; else the operator's reason.
    [[nodiscard]] platform::Result<void> Open(const PortSettings& settings);
    const std::string& PortName() const { return m_portName; }

    struct Answer {
        bool sent = false;  // the frame went out whole
        std::string text;   // what arrived within the second
        bool gone = false;  // the device vanished under the open port
        // Bytes that came after the last exchange's second and until the line had been quiet
        // for the gap before this frame: late answers, dropped.
        std::string late;
    };
    // From now on an exchange ends once its answer is whole and the line has then been quiet for
    // `gap`: a write's at "Success" (or at text that can no longer become it), a READ's at the
    // first quiet after its first byte. A device that sends nothing still has its second. The
    // closing silence is also the quiet the next frame needs, when nothing came since.
    void UseQuickEnd(std::chrono::milliseconds gap) { m_quickGap = gap; }
    bool QuickEnd() const { return m_quickGap.has_value(); }

    // One frame and its answer, behind a quiet gap: the frame waits until no byte has come for
    // tag::kQuietGapMs (at most a second, for a device that chatters on). Once the device is gone
    // nothing is sent, and a wait under way ends when it goes. A READ's answer is any text; every
    // other command's is judged by the "Success" test.
    [[nodiscard]] Answer Exchange(std::string_view payload, Wait wait = {});
    bool DeviceGone();

  private:
    void Post(platform::WindowHandle window, std::uint32_t message) override;
    // Collects what arrives into m_received until the line has been quiet for `span`, within a
    // second in all.
    void AwaitQuiet(std::chrono::milliseconds span);
    // Collects the answer to the frame just sent, for at most `most`, and notes in m_endedQuiet
    // whether it ended on the quick end's closing silence.
    void AwaitAnswer(std::chrono::milliseconds most, bool read, Wait wait);
    // Waits for the next arrival until `deadline`; false when none came (or none can).
    bool AwaitArrival(std::chrono::steady_clock::time_point deadline);
    void TakeNotifications();

    CCommChannel m_comm;
    std::string m_portName;
    std::string m_received;
    std::optional<std::chrono::milliseconds> m_quickGap;
    bool m_endedQuiet = false;
    std::mutex m_mutex;
    std::condition_variable m_posted;
    std::uint64_t m_notified = 0;
    bool m_gone = false;
};

}  // namespace cli
