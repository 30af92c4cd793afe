// OPEN and CLOSE against real pseudo-terminals: the line settings, status texts, tones, the
// lists and the tag controls, and port_info.txt.

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "dialog_fixture.h"
#include "platform/tone.h"
#include "port/port_settings_map.h"
#include "res/resource.h"
#include "simreader/pseudo_terminal.h"

namespace {

using testsupport::DialogTest;
using Tones = std::vector<testsupport::RecordingTones::Tone>;

const Tones kRising{{400, 100}, {500, 100}, {550, 100}, {800, 100}};
const Tones kFailure{{550, 500}};

class OpenCloseTest : public DialogTest {
  protected:
    bool ListsEnabled() const {
        for (int id : {IDC_COMBO_PORT, IDC_COMBO_BAUD, IDC_COMBO_DATABITS, IDC_COMBO_STOPBITS,
                       IDC_COMBO_PARITY}) {
            if (!Item(id)->isEnabled()) {
                return false;
            }
        }
        return true;
    }
};

TEST_F(OpenCloseTest, DefaultsOpenComOneRawAt57600EightNoneTwo) {
    sim::PseudoTerminal pty;
    pty.LinkAs("COM1");
    OpenPort(0);

    ASSERT_EQ(m_dlg->m_comm.m_bConnected, 1);
    EXPECT_EQ(StatusText(), "COM1,57600,8,2,0 Connect");
    EXPECT_EQ(m_tones->Take(), kRising);
    EXPECT_EQ(PortInfo(), "COM1\n2\n3\n0\n2\n");
    EXPECT_FALSE(ListsEnabled());
    EXPECT_TRUE(TagControlsEnabled());

    const termios line = pty.SlaveSettings();
    EXPECT_EQ(cfgetispeed(&line), B57600);
    EXPECT_EQ(cfgetospeed(&line), B57600);
    EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_TRUE(line.c_cflag & CSTOPB);
    EXPECT_FALSE(line.c_cflag & PARENB);
    EXPECT_TRUE(line.c_cflag & CREAD);
    EXPECT_FALSE(line.c_lflag & (ICANON | ECHO | ISIG | IEXTEN));
    EXPECT_FALSE(line.c_iflag & (ICRNL | INLCR | IGNCR | IXON | IXOFF | ISTRIP));
    EXPECT_FALSE(line.c_oflag & OPOST);

    Click(IDC_BTN_CLOSE);
    EXPECT_EQ(m_dlg->m_comm.m_bConnected, 0);
    EXPECT_EQ(StatusText(), "COM1,57600,8,2,0 ConnectClose Port COM1 !!");
    EXPECT_TRUE(m_tones->Take().empty());
    EXPECT_TRUE(ListsEnabled());
    EXPECT_TRUE(TagControlsDisabled());
}

TEST_F(OpenCloseTest, SecondOpenAndEarlyCloseOnlyReport) {
    Click(IDC_BTN_CLOSE);
    EXPECT_EQ(StatusText(), "Port not yet opened !!");

    StartReader("COM1");
    OpenPort(0);
    m_tones->Take();
    std::filesystem::remove(m_workDir / "port_info.txt");

    Click(IDC_BTN_OPEN);
    EXPECT_EQ(StatusText(),
              "Port not yet opened !!COM1,57600,8,2,0 ConnectPort Open Fail - COM1 !!");
    EXPECT_TRUE(m_tones->Take().empty());
    EXPECT_FALSE(std::filesystem::exists(m_workDir / "port_info.txt"));
    EXPECT_EQ(m_dlg->m_comm.m_bConnected, 1);
    EXPECT_TRUE(TagControlsEnabled());
}

TEST_F(OpenCloseTest, FailedOpenSoundsTheLowToneSaysWhyAndChangesNothingElse) {
    std::filesystem::create_directories(m_config->Path() / "velmora/ports");
    std::filesystem::create_symlink("/nonexistent/ttyUSB9",
                                    m_config->Path() / "velmora/ports/COM3");
    CCommChannel holder;  // holds COM5 as another program would
    sim::PseudoTerminal held;
    held.LinkAs("COM5");
    ASSERT_EQ(holder.Open({"COM5", 57600, 8, 2, 0}), 1);

    struct Case {
        int index;
        const char* why;
        std::string box;  // how the box begins
    };
    for (const Case& c :
         {Case{2, "mapped to a missing device",
               "COM3 is not connected to a device.\nIts entry in the device map points at "
               "/nonexistent/ttyUSB9, which is not there.\n"},
          Case{49, "unmapped: /dev/ttyS49", "COM50 is not connected to a device.\n"},
          Case{4, "held by another open",
               "COM5 (" + held.DevicePath() + ") is in use by another program.\n"}}) {
        const std::size_t boxes = m_boxes->Texts().size();
        OpenPort(c.index);
        const std::string name = port::PortNameForIndex(c.index);
        EXPECT_TRUE(StatusText().ends_with("Port Open Error - " + name + " !!")) << c.why;
        EXPECT_EQ(m_tones->Take(), kFailure) << c.why;
        ASSERT_EQ(m_boxes->Texts().size(), boxes + 1) << c.why;
        EXPECT_TRUE(m_boxes->Texts().back().starts_with(c.box))
            << c.why << ": " << m_boxes->Texts().back();
        EXPECT_EQ(m_dlg->m_comm.m_bConnected, 0) << c.why;
        EXPECT_TRUE(ListsEnabled()) << c.why;
        EXPECT_TRUE(TagControlsDisabled()) << c.why;
        EXPECT_TRUE(PortInfo().empty()) << c.why;
    }
    holder.Close();
}

TEST_F(OpenCloseTest, EveryListEntryOpensItsOwnPort) {
    StartReader("COM12");
    OpenPort(11);
    ASSERT_EQ(m_dlg->m_comm.m_bConnected, 1);
    EXPECT_EQ(m_dlg->m_strPortName, "COM12");
    EXPECT_EQ(PortInfo(), "COM12\n2\n3\n0\n2\n");
}

TEST_F(OpenCloseTest, PortInfoNeverFollowsAPlantedLinkAndItsFailureKeepsThePortOpen) {
    const std::filesystem::path victim = m_config->Path() / "victim.txt";
    std::ofstream(victim) << "keep me";
    std::filesystem::create_symlink(victim, m_workDir / "port_info.txt");
    StartReader("COM1");

    OpenPort(0);
    EXPECT_EQ(m_dlg->m_comm.m_bConnected, 1);
    EXPECT_TRUE(TagControlsEnabled());
    std::ifstream in(victim);
    std::string text;
    std::getline(in, text);
    EXPECT_EQ(text, "keep me");

    // An older, longer file is truncated, not overwritten in place.
    Click(IDC_BTN_CLOSE);
    std::filesystem::remove(m_workDir / "port_info.txt");
    std::ofstream(m_workDir / "port_info.txt") << "COM49\n7\n3\n1\n1\nstale tail\n";
    OpenPort(0);
    EXPECT_EQ(PortInfo(), "COM1\n2\n3\n0\n2\n");
}

// A disk that fills up mid-write leaves the old file as it was and nothing beside it; the port is
// open all the same. The file-size limit makes the write fail as a full disk would.
TEST_F(OpenCloseTest, PortInfoIsWrittenWholeOrNotAtAll) {
    const std::string old = "COM9\n2\n3\n0\n2\n";
    std::ofstream(m_workDir / "port_info.txt") << old;
    // A bare terminal, not the simulated reader: a fork copies only this thread, and a lock that
    // the reader's thread held at that moment stays taken in the child for good. AddressSanitizer's
    // allocator does not see forks coming, so the child's watch thread then waits for ever.
    sim::PseudoTerminal device;
    device.LinkAs("COM1");
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit few{5, 5};
        ::signal(SIGXFSZ, SIG_IGN);
        ::setrlimit(RLIMIT_FSIZE, &few);
        OpenPort(0);
        const bool opened = m_dlg->m_comm.m_bConnected == 1;
        Click(IDC_BTN_CLOSE);
        ::_exit(opened ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the port did not open";
    EXPECT_EQ(PortInfo(), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_workDir),
                            std::filesystem::directory_iterator{}),
              1);

    OpenPort(0);
    EXPECT_EQ(PortInfo(), "COM1\n2\n3\n0\n2\n");
}

// Without a sound device (as on a build machine) a tone is silent but still takes its time, so
// the operator's rhythm stays the same; with one, it plays. Either way it returns once it ended.
TEST(Tone, TakesItsTimeWithOrWithoutASoundDevice) {
    const auto start = std::chrono::steady_clock::now();
    platform::Beep(440, 60);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(60));
    EXPECT_LT(took, std::chrono::seconds(3));
}

}  // namespace
