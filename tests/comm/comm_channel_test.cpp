// Opening, configuring and writing: the channel against a real pseudo-terminal.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <future>

#include "channel_fixture.h"
#include "platform/linux/device_map.h"
#include "support/process_counts.h"
#include "support/wait_until.h"

namespace commtest {
namespace {

using platform::SerialErrorKind;

// The listed multiplier rounds a byte's time down; the limit a write gets never does, and always
// has its second on top.
TEST(WriteTimeoutMultiplier, FollowsSpeedListAndEveryWriteHasALimit) {
    struct Row {
        std::uint32_t baud;
        std::uint32_t listed;
        std::uint32_t perByte;
    };
    const Row rows[] = {
        {2400, 8, 8},  {4800, 4, 4},  {9600, 2, 2},   {14400, 1, 1}, {19200, 1, 1},
        {38400, 0, 1}, {57600, 0, 1}, {115200, 0, 1}, {0, 0, 0},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(WriteTimeoutMultiplier(row.baud), row.listed) << row.baud << " baud";
        const platform::CommTimeouts limit = WriteTimeouts(row.baud);
        EXPECT_EQ(limit.writeTotalMultiplier, row.perByte) << row.baud << " baud";
        EXPECT_EQ(limit.writeTotalConstant, 1000u) << row.baud << " baud";
    }
}

TEST_F(ChannelTest, BuildsWin32DevicePathFromPortName) {
    ASSERT_EQ(OpenPort(), 1);
    EXPECT_EQ(m_channel.m_strPortPath, "\\\\.\\COM7");
    EXPECT_EQ(m_channel.m_bConnected.load(), 1);
}

TEST_F(ChannelTest, AbsentPortFailsAsNotFound) {
    EXPECT_EQ(m_channel.Open(PortSettings{"COM250", 57600, 8, 2, 0}), 0);
    EXPECT_EQ(m_channel.m_strPortPath, "\\\\.\\COM250");
    EXPECT_EQ(m_channel.m_bConnected.load(), 0);
    EXPECT_EQ(m_channel.m_openError.kind, SerialErrorKind::NotFound) << m_channel.m_openError.text;
    // The OS's words and the device tried are kept for whoever logs them.
    EXPECT_EQ(m_channel.m_openError.text, "open /dev/ttyS249: No such file or directory");
    EXPECT_FALSE(m_channel.m_hWatchThread.joinable());
}

TEST_F(ChannelTest, PlainFileOrFolderMappedAsPortFailsToOpen) {
    const std::filesystem::path folder = platform::DeviceMapFolder();
    std::ofstream(folder / "data.bin") << "not a tty";
    std::filesystem::create_directory(folder / "dir");
    std::filesystem::create_symlink(folder / "data.bin", folder / "COM8");
    std::filesystem::create_symlink(folder / "dir", folder / "COM9");
    const std::size_t descriptors = testsupport::OpenDescriptorCount();
    for (const char* port : {"COM8", "COM9"}) {
        EXPECT_EQ(m_channel.Open(PortSettings{port, 57600, 8, 2, 0}), 0) << port;
        EXPECT_EQ(m_channel.m_openError.kind, SerialErrorKind::NotATerminal)
            << m_channel.m_openError.text;
        EXPECT_EQ(m_channel.m_bConnected.load(), 0);
    }
    EXPECT_EQ(testsupport::OpenDescriptorCount(), descriptors);
}

TEST_F(ChannelTest, WriteOnClosedChannelMakesNoSystemCall) {
    const std::uint8_t frame[] = {0x01, 'R', 0x04};
    const std::uint64_t before = platform::SerialCalls().total;
    EXPECT_EQ(m_channel.WriteComm(frame, sizeof frame), 0);
    ASSERT_EQ(OpenPort(), 1);
    m_channel.Close();
    const std::uint64_t afterClose = platform::SerialCalls().total;
    EXPECT_EQ(m_channel.WriteComm(frame, sizeof frame), 0);
    EXPECT_EQ(platform::SerialCalls().total, afterClose);
    EXPECT_GT(afterClose, before);
}

// Settings the device refuses: Open fails, and the device is let go so a later Open can have it.
TEST_F(ChannelTest, RefusedSettingsFailAndReleaseDevice) {
    const std::size_t descriptors = testsupport::OpenDescriptorCount();
    const PortSettings refused[] = {
        {kPort, 57600, 9, 2, 0},  // data bits
        {kPort, 57600, 8, 1, 0},  // one and a half stop bits need five data bits
        {kPort, 57600, 8, 2, 5},  // parity code
        {kPort, 12345, 8, 2, 0},  // speed
        // A pseudo-terminal always carries eight bits without parity; the kernel says so by
        // not taking the change, which only a read-back shows.
        {kPort, 9600, 7, 0, 2},
        {kPort, 115200, 8, 0, 1},
    };
    for (const PortSettings& s : refused) {
        EXPECT_EQ(m_channel.Open(s), 0);
        EXPECT_EQ(m_channel.m_openError.kind, SerialErrorKind::BadSettings)
            << m_channel.m_openError.text;
        EXPECT_EQ(m_channel.m_bConnected.load(), 0);
        EXPECT_EQ(testsupport::OpenDescriptorCount(), descriptors);
    }
    EXPECT_EQ(OpenPort(), 1);
}

TEST_F(ChannelTest, SecondOpenOfHeldPortFails) {
    ASSERT_EQ(OpenPort(), 1);
    CCommChannel other;
    EXPECT_EQ(other.Open(PortSettings{kPort, 57600, 8, 2, 0}), 0);
    EXPECT_EQ(other.m_bConnected.load(), 0);
    EXPECT_EQ(other.m_openError.kind, SerialErrorKind::Busy) << other.m_openError.text;

    // The failed attempt did not disturb the holder.
    ASSERT_TRUE(m_pty.WriteAll(std::string_view("ok")));
    ASSERT_TRUE(QueueReaches(2));

    m_channel.Close();
    EXPECT_EQ(other.Open(PortSettings{kPort, 57600, 8, 2, 0}), 1);
}

// Another process (run as root here, which TIOCEXCL alone does not stop) cannot have the device
// either, and can once the port is closed.
TEST_F(ChannelTest, AnotherProcessCannotTakeHeldPort) {
    const std::string device = m_pty.DevicePath();
    const auto childTakes = [&device] {
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            ::_exit(fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : 1);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    };
    ASSERT_EQ(OpenPort(), 1);
    EXPECT_FALSE(childTakes());
    m_channel.Close();
    EXPECT_TRUE(childTakes());
}

struct LineRow {
    const char* name;
    PortSettings settings;
    speed_t speed;
    tcflag_t size;
    bool twoStopBits;
    friend void PrintTo(const LineRow& row, std::ostream* out) { *out << row.name; }
};

class LineSettingsTest : public ChannelTest, public ::testing::WithParamInterface<LineRow> {};

TEST_P(LineSettingsTest, PutsRecordOnRawLine) {
    const LineRow& row = GetParam();
    PortSettings s = row.settings;
    s.portName = kPort;
    ASSERT_EQ(m_channel.Open(s), 1) << m_channel.m_openError.text;
    const termios t = m_pty.SlaveSettings();
    EXPECT_EQ(cfgetospeed(&t), row.speed);
    EXPECT_EQ(cfgetispeed(&t), row.speed);
    EXPECT_EQ(t.c_cflag & CSIZE, row.size);
    EXPECT_EQ((t.c_cflag & CSTOPB) != 0, row.twoStopBits);
    EXPECT_EQ(t.c_cflag & PARENB, 0u);
    EXPECT_NE(t.c_cflag & CREAD, 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | IXON | IXOFF | PARMRK), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_cc[VMIN], 1);
    EXPECT_EQ(t.c_cc[VTIME], 0);
}

INSTANTIATE_TEST_SUITE_P(
    Records, LineSettingsTest,
    ::testing::Values(LineRow{"fixed_57600_8N2", {"", 57600, 8, 2, 0}, B57600, CS8, true},
                      LineRow{"115200_8N1", {"", 115200, 8, 0, 0}, B115200, CS8, false},
                      LineRow{"2400_8N2", {"", 2400, 8, 2, 0}, B2400, CS8, true}),
    [](const auto& info) { return std::string(info.param.name); });

// Hardware flow control is the device's business: Open leaves it as it found it.
TEST_F(ChannelTest, LeavesHardwareFlowControlAsFound) {
    termios t = m_pty.SlaveSettings();
    t.c_cflag |= CRTSCTS;
    ASSERT_EQ(::tcsetattr(m_pty.MasterFd(), TCSANOW, &t), 0);
    ASSERT_EQ(OpenPort(), 1);
    EXPECT_NE(m_pty.SlaveSettings().c_cflag & CRTSCTS, 0u);
}

// A port left as a terminal (lines, echo, CR to LF, XON/XOFF) still carries every byte value
// unchanged both ways, echoes nothing, and nothing sent before Open reaches the queue.
TEST_F(ChannelTest, CarriesEveryByteValueFromDirtyPort) {
    termios t = m_pty.SlaveSettings();
    t.c_lflag |= ICANON | ECHO | ISIG | IEXTEN;
    t.c_iflag |= ICRNL | IXON;
    t.c_oflag |= OPOST | ONLCR;
    ASSERT_EQ(::tcsetattr(m_pty.MasterFd(), TCSANOW, &t), 0);
    ASSERT_TRUE(m_pty.WriteAll(std::string_view("stale\n")));
    ASSERT_TRUE(InputLands(6));
    // The terminal echoed the stale line before Open; that is not ours to see on the wire.
    const std::vector<std::uint8_t> echo = ReadFarSide(7);
    ASSERT_EQ(std::string(echo.begin(), echo.end()), "stale\r\n");

    ASSERT_EQ(OpenPort(), 1);
    std::vector<std::uint8_t> all(256);
    for (int i = 0; i < 256; ++i) {
        all[i] = static_cast<std::uint8_t>(i);
    }
    ASSERT_TRUE(m_pty.WriteAll(all));
    ASSERT_TRUE(QueueReaches(256));
    EXPECT_EQ(Take(), all);

    EXPECT_EQ(m_channel.WriteComm(all.data(), 256), 256);
    EXPECT_EQ(ReadFarSide(256), all);  // nothing echoed, no CR added before LF
    std::uint8_t extra = 0;
    EXPECT_EQ(::read(m_pty.MasterFd(), &extra, 1), -1);
}

// Writes larger than the terminal's buffer complete once the far side makes room.
TEST_F(ChannelTest, LongWriteCompletesWhileFarSideReads) {
    ASSERT_EQ(OpenPort(), 1);
    const std::vector<std::uint8_t> data = Pattern(64 * 1024, 5);
    auto farSide = std::async(std::launch::async, [&] { return ReadFarSide(data.size()); });
    EXPECT_EQ(m_channel.WriteComm(data.data(), static_cast<std::int32_t>(data.size())),
              static_cast<std::int32_t>(data.size()));
    EXPECT_EQ(farSide.get(), data);
}

}  // namespace
}  // namespace commtest
