// The channel over the Win32 serial backend, under Wine, against the simulated tag reader: a
// Linux pseudo-terminal that serial-channel.sh maps as COM7 and COM12, and whose log of frames
// and answers that script compares afterwards with the frames sent here, in this order.
//
// Exclusive use of a port is tested on Linux only: Wine does not refuse a second open of a COM
// port with share mode 0, which a real Windows driver does.

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "comm/comm_channel.h"
#include "support/recording_message_box.h"
#include "support/recording_window_poster.h"
#include "support/wait_until.h"

namespace {

using namespace std::string_view_literals;

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

}  // namespace
