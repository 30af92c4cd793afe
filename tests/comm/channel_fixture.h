#pragma once
// A channel on a real pseudo-terminal linked as COM7 in a temporary device map, with the window
// and the operator's boxes recorded.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "comm/comm_channel.h"
#include "simreader/pseudo_terminal.h"
#include "support/recording_message_box.h"
#include "support/recording_window_poster.h"
#include "support/temp_config_home.h"

namespace commtest {

inline constexpr const char* kPort = "COM7";

std::vector<std::uint8_t> Pattern(std::size_t count, std::uint32_t seed = 0);

class ChannelTest : public ::testing::Test {
  protected:
    ChannelTest();
    ~ChannelTest() override;

    std::int32_t OpenPort(std::uint32_t baud = 57600, std::uint8_t byteSize = 8,
                          std::uint8_t stopBits = 2, std::uint8_t parity = 0);
    // Waits until the queue holds at least `count` bytes.
    bool QueueReaches(std::int32_t count);
    // Takes bytes out as the window does; all waiting ones by default.
    std::vector<std::uint8_t> Take(std::int32_t count = -1);
    // Leaves the watch thread inside its post with a full queue, so that what the far side sends
    // next lands whole before the thread reads again; the poster's Release lets it go on.
    void HoldWatchThreadInPost();
    void LetWatchThreadGo();
    // Waits until the far side's bytes have reached the port's input queue.
    bool InputLands(std::size_t count);
    // What the far side has received, once `count` bytes are there (fewer after a time-out).
    std::vector<std::uint8_t> ReadFarSide(std::size_t count);

    testsupport::TempConfigHome m_config;
    testsupport::RecordingWindowPoster m_poster;
    testsupport::RecordingMessageBox m_boxes;
    sim::PseudoTerminal m_pty;
    CCommChannel m_channel;
};

}  // namespace commtest
