// The channel under faults that need no window: a signal storm through a whole session, and a
// device that vanishes while a write waits for room.

#include <gtest/gtest.h>

#include <future>
#include <string>

#include "comm/comm_channel.h"
#include "signal_storm.h"
#include "simreader/reply.h"
#include "simreader/sim_tag_reader.h"
#include "support/recording_message_box.h"
#include "support/recording_window_poster.h"
#include "support/temp_config_home.h"
#include "support/wait_until.h"

namespace faulttest {
namespace {

using namespace std::chrono_literals;

constexpr const char* kPort = "COM4";
const PortSettings kSettings{kPort, 57600, 8, 2, 0};

class ChannelFaultTest : public ::testing::Test {
  protected:
    ChannelFaultTest() { g_hMainWnd.store(testsupport::FakeWindow()); }
    ~ChannelFaultTest() override {
        m_channel.Close();
        g_hMainWnd.store(nullptr);
    }

    // Takes bytes out as the window does until `count` have come (fewer after a time-out).
    std::string Collect(std::size_t count) {
        std::string bytes;
        testsupport::WaitUntil([&] {
            std::uint8_t b = 0;
            while (bytes.size() < count && m_channel.m_rxQueue.GetByte(&b) == 1) {
                bytes.push_back(static_cast<char>(b));
            }
            return bytes.size() >= count;
        });
        return bytes;
    }

    // Writes a frame as the tag protocol does: start byte, payload, end byte.
    void SendFrame(const std::string& payload) {
        const char start = 0x01;
        const char end = 0x04;
        EXPECT_EQ(m_channel.WriteComm(&start, 1), 1);
        EXPECT_EQ(m_channel.WriteComm(payload.data(), static_cast<std::int32_t>(payload.size())),
                  static_cast<std::int32_t>(payload.size()));
        EXPECT_EQ(m_channel.WriteComm(&end, 1), 1);
    }

    testsupport::TempConfigHome m_config;
    testsupport::RecordingWindowPoster m_poster;
    testsupport::RecordingMessageBox m_boxes;
    CCommChannel m_channel;
};

// Open, Close, the watch thread's wait and reads, and writes that wait for room, interrupted
// thousands of times: every byte both ways arrives as without the storm, and nothing is reported.
TEST_F(ChannelFaultTest, SignalStormChangesNothing) {
    sim::SimTagReader reader(sim::SimTagReader::Options{kPort, {}, {}});
    // Far more than the terminal buffers, so that every frame's payload waits for room.
    const std::string payload = "W" + std::string(200'000, 'p');
    // Sessions go on past the first few until the storm has interrupted the watch thread's wait a
    // hundred times: on a machine whose cores are busy with other work the storm's thread runs
    // seldom, and a few sessions can end before enough of its signals have landed in the wait.
    constexpr int kMinRounds = 8;
    constexpr int kMaxRounds = 400;
    constexpr std::uint64_t kInterruptions = 100;
    const std::uint64_t handled = SignalStorm::Handled();
    const std::uint64_t wakeups = platform::SerialCalls().waitWakeups;
    // Only interrupted waits account for wake-ups beyond one per receive event and per Close.
    const auto interruptions = [&](int rounds) {
        const std::uint64_t woken = platform::SerialCalls().waitWakeups - wakeups;
        const std::uint64_t needed = m_poster.Count() + static_cast<std::uint64_t>(rounds);
        return woken > needed ? woken - needed : 0;
    };
    int rounds = 0;
    {
        SignalStorm storm;
        for (;
             rounds < kMinRounds || (interruptions(rounds) < kInterruptions && rounds < kMaxRounds);
             ++rounds) {
            ASSERT_EQ(m_channel.Open(kSettings), 1) << m_channel.m_openError.text;
            // In pieces, so that one answer takes several receive events.
            const std::string answer = sim::FloodBytes(3000 + static_cast<std::size_t>(rounds));
            reader.Script(sim::Reply().Answer(answer).InPieces(700, 2ms));
            SendFrame(payload);
            ASSERT_TRUE(reader.WaitForFrames(static_cast<std::size_t>(rounds) + 1, 5s));
            EXPECT_EQ(Collect(answer.size()), answer) << "round " << rounds;
            m_channel.Close();
            EXPECT_EQ(m_channel.m_nWatchExitCode.load(), 1) << "round " << rounds;
        }
    }
    for (const sim::SimTagReader::Frame& frame : reader.Frames()) {
        EXPECT_TRUE(frame.bytes == "\x01" + payload + "\x04");
    }
    EXPECT_EQ(reader.Frames().size(), static_cast<std::size_t>(rounds));
    EXPECT_TRUE(m_boxes.Texts().empty());
    EXPECT_GT(SignalStorm::Handled() - handled, 100u);
    EXPECT_GE(interruptions(rounds), kInterruptions)
        << rounds << " rounds, signals " << SignalStorm::Handled() - handled << ", posts "
        << m_poster.Count();
}

// A write waits for room that a vanished device will never make: it ends with what went out,
// and the port can still be closed.
TEST_F(ChannelFaultTest, VanishingDeviceReleasesAWriteWaitingForRoom) {
    sim::PseudoTerminal pty;  // a far side that never reads
    pty.LinkAs(kPort);
    ASSERT_EQ(m_channel.Open(kSettings), 1) << m_channel.m_openError.text;
    const std::string big(1 << 20, 'x');
    // The write runs on a thread of its own while this one only watches; Close waits until it
    // has returned, so the channel still has one writing thread at a time.
    const std::uint64_t writes = platform::SerialCalls().writes;
    auto writing = std::async(std::launch::async, [&] {
        return m_channel.WriteComm(big.data(), static_cast<std::int32_t>(big.size()));
    });
    // A second write call means the first one could not take everything.
    ASSERT_TRUE(
        testsupport::WaitUntil([&] { return platform::SerialCalls().writes >= writes + 2; }));
    ASSERT_EQ(writing.wait_for(0s), std::future_status::timeout);

    pty.HangUp();
    ASSERT_EQ(writing.wait_for(2s), std::future_status::ready);
    const std::int32_t sent = writing.get();
    EXPECT_GT(sent, 0);
    EXPECT_LT(sent, static_cast<std::int32_t>(big.size()));
    m_channel.Close();
    EXPECT_EQ(m_channel.m_nWatchExitCode.load(), 1);
    EXPECT_TRUE(m_boxes.Texts().empty());
}

}  // namespace
}  // namespace faulttest
