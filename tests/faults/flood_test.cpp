// A flood larger than the receive queue and the terminal's buffers while the window's thread is
// busy elsewhere: whole bursts are lost under one "buff full" box, the rest arrives intact, and
// the operator can close the port while the box is up. Megabytes while the window is idle cost
// neither boxes nor memory.
//
// The far side is a bare pseudo-terminal so that the test knows exactly what was written. Posts
// go through a counting poster to the real window; the real message box is used where the point
// is that it does not hold up Close.

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "dialog_fixture.h"
#include "platform/gui/qt/window_services.h"
#include "platform/serial_device.h"
#include "res/resource.h"
#include "simreader/reply.h"
#include "support/process_counts.h"
#include "support/wait_until.h"
#include "tag/received_text.h"

namespace faulttest {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr std::int32_t kReadChunk = 2048;  // what the watch thread reads at a time
constexpr std::int32_t kQueueRoom = RX_QUEUE_SIZE - 1;

// Passes every post on to the window and counts it; any thread.
class CountingPoster : public platform::WindowPoster {
  public:
    void Post(platform::WindowHandle window, std::uint32_t message) override {
        m_count.fetch_add(1, std::memory_order_relaxed);
        platform::qt::Poster().Post(window, message);
    }
    std::size_t Count() const { return m_count.load(std::memory_order_relaxed); }

  private:
    std::atomic<std::size_t> m_count{0};
};

// The real box, counting how often the watch thread asked for it.
class CountingQtBox : public platform::qt::QtMessageBox {
  public:
    void ShowFromWorker(const std::string& text, std::function<void()> closed) override {
        m_requests.fetch_add(1, std::memory_order_relaxed);
        QtMessageBox::ShowFromWorker(text, std::move(closed));
    }
    std::size_t Requests() const { return m_requests.load(std::memory_order_relaxed); }

  private:
    std::atomic<std::size_t> m_requests{0};
};

class FloodTest : public testsupport::DialogTest {
  protected:
    void SetUp() override {
        DialogTest::SetUp();
        platform::InstallWindowPoster(&m_poster);
        m_pty.LinkAs("COM1");
        OpenPort(0);
        ASSERT_EQ(m_dlg->m_comm.m_bConnected, 1) << m_dlg->m_comm.m_openError.text;
        g_strReceived.clear();
    }
    void TearDown() override {
        DialogTest::TearDown();  // the port closes: nothing posts any more
        platform::InstallWindowPoster(&platform::qt::Poster());
    }

    // Handles the window's events until `done` holds; false after the time-out.
    template <typename Predicate>
    bool PumpUntil(Predicate done, std::chrono::milliseconds timeout = 5s) {
        return testsupport::WaitUntil(
            [&] {
                QApplication::processEvents();
                return done();
            },
            timeout);
    }

    static QMessageBox* ShownBuffFullBox() {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (box != nullptr && box->isVisible() && box->text() == "buff full") {
                return box;
            }
        }
        return nullptr;
    }

    CountingPoster m_poster;
    CountingQtBox m_qtBox;
    sim::PseudoTerminal m_pty;
};

TEST_F(FloodTest, BusyWindowLosesWholeBurstsUnderOneBox) {
    m_boxes->SetHolding(true);                  // the operator has not answered yet
    constexpr std::size_t kFlood = 256 * 1024;  // the terminal holds about 68 KiB
    const platform::SerialCallCounts calls = platform::SerialCalls();
    const std::string flood = sim::FloodBytes(kFlood);
    std::size_t written = 0;
    // The window's thread is busy writing: it takes no event until the watch thread has read
    // the whole flood.
    ASSERT_TRUE(testsupport::WaitUntil(
        [&] {
            const ssize_t n =
                ::write(m_pty.MasterFd(), flood.data() + written, flood.size() - written);
            written += n > 0 ? static_cast<std::size_t>(n) : 0;
            return platform::SerialCalls().bytesRead - calls.bytesRead == kFlood;
        },
        10s));
    const auto kept = static_cast<std::size_t>(m_dlg->m_comm.m_rxQueue.GetCount());
    const std::size_t posts = m_poster.Count();
    // Taken as an answer wait takes them: bytes outside one are not kept.
    ASSERT_TRUE(testsupport::WaitUntil([&] {
        m_dlg->WaitPumping(1);
        return g_strReceived.size() == kept;
    }));

    // Where each kept byte stood in the flood: a run goes on byte by byte, a jump forward skips
    // lost bursts. The flood repeats every 251 bytes, so the smallest jump is taken.
    std::size_t at = 0;
    std::size_t firstJump = kept;
    for (std::size_t i = 0; i < kept; ++i) {
        const auto byte = static_cast<std::uint8_t>(g_strReceived[i]);
        ASSERT_LT(byte, 251) << "no flood byte at " << i;
        if (byte != sim::FloodByte(at)) {
            firstJump = std::min(firstJump, i);
            at += (byte + 251u - sim::FloodByte(at)) % 251u;
        }
        ++at;
    }
    EXPECT_LE(at, kFlood);
    EXPECT_LE(kept, static_cast<std::size_t>(kQueueRoom));
    // A burst is lost only when it does not fit, so the queue was at least that full by then.
    EXPECT_GE(firstJump, static_cast<std::size_t>(kQueueRoom - kReadChunk + 1));

    const std::vector<std::string> boxes = m_boxes->Texts();
    const std::size_t lost = kFlood - kept;
    ASSERT_GT(lost, 0u);
    EXPECT_EQ(boxes, std::vector<std::string>{"buff full"}) << "one box while it is up";
    // One post per receive event, however many bytes or bursts it brought (the thread may have
    // counted its first wake-up before this test took its counts).
    EXPECT_LE(posts, platform::SerialCalls().waitWakeups - calls.waitWakeups + 1);
    EXPECT_LE(posts, kFlood / 512) << "posts pile up per burst, not per receive event";
    EXPECT_EQ(m_poster.Count(), posts);
}

// The operator presses CLOSE while the real "buff full" box is up: Close does not wait for the
// box, the box stays until the operator answers it, and no second box follows.
TEST_F(FloodTest, CloseWhileTheRealBuffFullBoxIsUp) {
    platform::InstallMessageBox(&m_qtBox);
    // More than the queue and one read together: one burst must be lost while the window is busy.
    ASSERT_TRUE(m_pty.WriteAll(sim::FloodBytes(kQueueRoom + 2 * kReadChunk)));
    ASSERT_TRUE(testsupport::WaitUntil([&] { return m_qtBox.Requests() == 1; }));
    QMessageBox* box = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (box = ShownBuffFullBox()) != nullptr; }));
    EXPECT_EQ(box->icon(), QMessageBox::Warning)
        << "the framework's box shows the exclamation mark";

    // Were Close to wait for the box, nothing could answer it any more: end the run rather
    // than hang it.
    std::jthread watchdog([](std::stop_token stop) {
        std::mutex mutex;
        std::condition_variable_any stopped;
        std::unique_lock lock(mutex);
        stopped.wait_for(lock, stop, 10s, [] { return false; });
        if (!stop.stop_requested()) {
            std::fputs("CLOSE waits for the buff full box: deadlock\n", stderr);
            std::_Exit(1);
        }
    });
    const Clock::time_point start = Clock::now();
    Click(IDC_BTN_CLOSE);
    watchdog.request_stop();
    EXPECT_LT(Clock::now() - start, 1s);
    EXPECT_EQ(m_dlg->m_comm.m_bConnected, 0);
    EXPECT_EQ(m_dlg->m_comm.m_nWatchExitCode.load(), 1);
    EXPECT_EQ(ShownBuffFullBox(), box) << "the box waits for the operator";

    box->button(QMessageBox::Ok)->click();
    EXPECT_TRUE(PumpUntil([] { return ShownBuffFullBox() == nullptr; }));
    EXPECT_EQ(m_qtBox.Requests(), 1u);
    platform::InstallMessageBox(m_boxes.get());
}

// Unsolicited megabytes while no operation runs, the operator answering each box a second after it
// appears: a handful of boxes at most, nothing kept, and the window can be closed afterwards.
TEST_F(FloodTest, MegabytesWhileIdleCostAHandfulOfBoxesAndNoMemory) {
    platform::InstallMessageBox(&m_qtBox);
    QTimer operatorHand;
    QMessageBox* seen = nullptr;
    Clock::time_point seenAt;
    operatorHand.callOnTimeout([&] {
        QMessageBox* box = ShownBuffFullBox();
        if (box != seen) {
            seen = box;
            seenAt = Clock::now();
        } else if (box != nullptr && Clock::now() - seenAt >= 1s) {
            box->button(QMessageBox::Ok)->click();
            seen = nullptr;  // the next box may be built where this one was
        }
    });
    operatorHand.start(50);
    constexpr std::size_t kFlood = 5 << 20;
    const std::string flood = sim::FloodBytes(kFlood);
    const std::uint64_t readBefore = platform::SerialCalls().bytesRead;
    const long idle = testsupport::MemoryKiB();
    long peak = idle;
    std::size_t written = 0;
    ASSERT_TRUE(PumpUntil(
        [&] {
            const ssize_t n = ::write(m_pty.MasterFd(), flood.data() + written, kFlood - written);
            written += n > 0 ? static_cast<std::size_t>(n) : 0;
            peak = std::max(peak, testsupport::MemoryKiB());
            return platform::SerialCalls().bytesRead - readBefore == kFlood;
        },
        120s));
    EXPECT_LE(m_qtBox.Requests(), 5u);
    EXPECT_TRUE(g_strReceived.empty()) << "bytes outside an operation are not kept";
    EXPECT_LE(peak - idle, 1024) << "KiB above idle";

    operatorHand.stop();
    while (QMessageBox* box = ShownBuffFullBox()) {
        box->button(QMessageBox::Ok)->click();
    }
    Window().close();
    EXPECT_FALSE(Window().isVisible());
    platform::InstallMessageBox(m_boxes.get());
}

}  // namespace
}  // namespace faulttest
