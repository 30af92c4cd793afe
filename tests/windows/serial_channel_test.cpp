// The channel over the Win32 serial backend, under Wine, against the simulated tag reader: a
// Linux pseudo-terminal that serial-channel.sh maps as COM7 and COM12, and whose log of frames
// and answers that script compares afterwards with the frames sent here, in this order. COM8 is
// a line whose far side never reads; COM10 leads nowhere and COM11 to a device that is no serial
// port.
//
// Exclusive use of a port is tested on Linux only: Wine does not refuse a second open of a COM
// port with share mode 0, which a real Windows driver does.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "comm/comm_channel.h"
#include "platform/open_failure.h"
#include "support/recording_message_box.h"
#include "support/recording_window_poster.h"
#include "support/wait_until.h"

namespace {

using namespace std::chrono_literals;
using namespace std::string_view_literals;

// Far more than a pseudo-terminal's buffer takes.
constexpr std::int32_t kStuckWriteSize = 256 * 1024;

class Win32SerialChannel : public ::testing::Test {
  protected:
    Win32SerialChannel() { g_hMainWnd.store(testsupport::FakeWindow()); }
    ~Win32SerialChannel() override {
        m_channel.Close();
        g_hMainWnd.store(nullptr);
    }

    std::int32_t OpenPort(const char* port) {
        return m_channel.Open(PortSettings{port, 57600, 8, 2, 0});
    }

    // Sends one frame and returns the answer once `expectedSize` bytes have come (fewer after
    // five seconds).
    std::string Exchange(std::string_view frame, std::size_t expectedSize) {
        const auto sent =
            m_channel.WriteComm(frame.data(), static_cast<std::int32_t>(frame.size()));
        EXPECT_EQ(sent, static_cast<std::int32_t>(frame.size()));
        testsupport::WaitUntil([&] {
            return m_channel.m_rxQueue.GetCount() >= static_cast<std::int32_t>(expectedSize);
        });
        std::string answer;
        std::uint8_t byte = 0;
        while (m_channel.m_rxQueue.GetByte(&byte) == 1) {
            answer += static_cast<char>(byte);
        }
        return answer;
    }

    testsupport::RecordingWindowPoster m_poster;
    testsupport::RecordingMessageBox m_boxes;
    CCommChannel m_channel;
};

TEST_F(Win32SerialChannel, ReadsWritesAndReadsBackOnCom7) {
    ASSERT_EQ(OpenPort("COM7"), 1) << m_channel.m_openError.text;
    EXPECT_EQ(m_channel.m_strPortPath, "\\\\.\\COM7");

    platform::LineSettings line;
    ASSERT_FALSE(m_channel.m_hComm.GetLineSettings(line).Failed());
    EXPECT_EQ(line.baudRate, 57600u);
    EXPECT_EQ(line.byteSize, 8);
    EXPECT_EQ(line.parity, 0);
    EXPECT_EQ(line.stopBits, 2);

    const std::string first = "start.example,DELETE";
    EXPECT_EQ(Exchange("\x01R\x04"sv, first.size()), first);
    EXPECT_EQ(Exchange("\x01Uexample.org/tag\x04"sv, 7), "Success");
    EXPECT_EQ(Exchange("\x01WSTART\x04"sv, 7), "Success");
    const std::string after = "example.org/tag,START";
    EXPECT_EQ(Exchange("\x01R\x04"sv, after.size()), after);

    // One post per receive event, and at least one per answer.
    EXPECT_GE(m_poster.Count(), 4u);
    for (const auto& post : m_poster.Posts()) {
        EXPECT_EQ(post.message, WM_RX_NOTIFY);
    }
    // The close's mask change ends the pending WaitCommEvent, and the watch thread ends normally.
    m_channel.Close();
    EXPECT_EQ(m_channel.m_nWatchExitCode.load(), 1);
    EXPECT_TRUE(m_boxes.Texts().empty());
}

TEST_F(Win32SerialChannel, PortsAboveNineOpenThroughTheDevicePrefix) {
    ASSERT_EQ(OpenPort("COM12"), 1) << m_channel.m_openError.text;
    const std::string answer = "example.org/tag,START";
    EXPECT_EQ(Exchange("\x01R\x04"sv, answer.size()), answer);
}

TEST_F(Win32SerialChannel, AWriteTheFarSideNeverTakesEndsAfterItsTimeLimit) {
    ASSERT_EQ(OpenPort("COM8"), 1) << m_channel.m_openError.text;
    int waits = 0;
    m_channel.m_onWriteWait = [&] { ++waits; };
    // Chunks go through until the line's buffer is full; the chunk that finds it full is held
    // for its limit at 57600 baud: 1 ms per byte (a byte's wire time, rounded up) and a second.
    constexpr std::int32_t kChunk = 1024;
    const std::vector<std::uint8_t> chunk(kChunk, 0x55);
    std::int32_t sent = kChunk;
    auto took = std::chrono::steady_clock::duration{};
    for (int i = 0; i < 1024 && sent == kChunk; ++i) {
        const auto start = std::chrono::steady_clock::now();
        sent = m_channel.WriteComm(chunk.data(), kChunk);
        took = std::chrono::steady_clock::now() - start;
    }
    EXPECT_LT(sent, kChunk);
    EXPECT_GE(took, 1900ms);
    EXPECT_LT(took, 4s);
    // It waited in slices, each handing the window a turn.
    EXPECT_GE(waits, 10);
}

TEST_F(Win32SerialChannel, ClosingThePortWhileAWriteWaitsEndsTheWrite) {
    ASSERT_EQ(OpenPort("COM8"), 1) << m_channel.m_openError.text;
    m_channel.m_onWriteWait = [&] { m_channel.Close(); };
    const std::vector<std::uint8_t> bytes(kStuckWriteSize, 0x55);
    const auto start = std::chrono::steady_clock::now();
    // Windows tells the bytes of a write only when it completes: one cut short by Close has
    // none to report.
    EXPECT_EQ(m_channel.WriteComm(bytes.data(), kStuckWriteSize), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
    EXPECT_EQ(m_channel.m_bConnected.load(), 0);
    // The cancelled write let go of the port: it opens again at once.
    m_channel.m_onWriteWait = nullptr;
    EXPECT_EQ(OpenPort("COM8"), 1) << m_channel.m_openError.text;
}

TEST_F(Win32SerialChannel, MissingPortIsReportedAsNotFoundInTheSystemsWords) {
    EXPECT_EQ(OpenPort("COM50"), 0);
    EXPECT_EQ(m_channel.m_bConnected.load(), 0);
    const platform::SerialError& error = m_channel.m_openError;
    EXPECT_EQ(error.kind, platform::SerialErrorKind::NotFound) << error.text;
    EXPECT_NE(error.code, 0);
    // What was attempted, then the system's own text after it.
    EXPECT_TRUE(error.text.starts_with("open \\\\.\\COM50: ")) << error.text;
    EXPECT_GT(error.text.size(), std::string_view("open \\\\.\\COM50: ").size());
}

// Nothing is set on the line before the device has opened and answered as a port: a failure
// before that is told by its step, never as the line settings refused, whatever its code.
TEST_F(Win32SerialChannel, AnOpenThatFailsBeforeAnySettingIsToldByItsStep) {
    const struct {
        const char* port;
        platform::SerialErrorKind kind;
        std::string_view says;
    } rows[] = {
        {"COM10", platform::SerialErrorKind::NotFound, "COM10 is not connected to a device"},
        {"COM11", platform::SerialErrorKind::NotATerminal, "COM11 is not a serial port"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.port);
        EXPECT_EQ(OpenPort(row.port), 0);
        const platform::SerialError& error = m_channel.m_openError;
        EXPECT_EQ(error.kind, row.kind) << error.text;
        EXPECT_TRUE(error.text.starts_with("open \\\\.\\" + std::string(row.port) + ": "))
            << error.text;
        const std::string told = platform::DescribeOpenFailure(row.port, error);
        EXPECT_TRUE(told.starts_with(row.says)) << told;
        EXPECT_EQ(told.find("line settings"), std::string::npos) << told;
    }
}

}  // namespace
