// Answers that come slowly, in pieces, at the edge of the wait, with NUL runs or with noise
// ahead of them, and a whole session under a signal storm: the tag operations take each as the
// design says and nothing else changes.

#include <QApplication>

#include "dialog_fixture.h"
#include "platform/serial_device.h"
#include "res/resource.h"
#include "signal_storm.h"
#include "simreader/reply.h"
#include "support/wait_until.h"
#include "tag/received_text.h"

namespace faulttest {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;
using sim::Reply;

using testsupport::Frame;

class AnswerFaultTest : public testsupport::DialogTest {
  protected:
    void SetUp() override {
        DialogTest::SetUp();
        StartReader("COM1").SetTag({"home.kr", "T1", false});
        OpenPort(0);
        ASSERT_EQ(m_dlg->m_comm.m_bConnected, 1) << m_dlg->m_comm.m_openError.text;
        m_tones->Take();
    }
};

TEST_F(AnswerFaultTest, SlowLateAndDirtyAnswersAreTakenAsTheyStand) {
    enum class Op { Read, Write };
    struct Row {
        const char* name;
        Reply reply;
        Op op;
        std::string homepage;  // READ: the fields it fills
        std::string tableInfo;
        std::string box;    // WRITE: the result box
        std::string after;  // the answer text once every byte of the answer is in
    };
    const std::string garbage = "~?\x7f#";
    const Row rows[] = {
        {"a byte every 5 ms", Reply().Answer("slow.kr,T5").InPieces(1, 5ms), Op::Read, "slow.kr",
         "T5", "", "slow.kr,T5"},
        {"a byte every 50 ms", Reply().Answer("Success").InPieces(1, 50ms), Op::Write, "", "",
         "TABLE INFO WRITE SUCCESS.", ""},
        {"whole at 990 ms", Reply().Answer("late.kr,T990").After(990ms), Op::Read, "late.kr",
         "T990", "", "late.kr,T990"},
        // Not counted: the write fails, and the bytes wait in the answer text for the next
        // operation to empty it.
        {"whole at 1010 ms", Reply().Answer("Success").After(1010ms), Op::Write, "", "",
         "TABLE INFO WRITE FAIL.", "Success"},
        // The fields end at the first NUL; the text keeps every byte.
        {"NUL runs", Reply().Answer("nul.kr,TAB\0\0\0\0xyz"s), Op::Read, "nul.kr", "TAB", "",
         "nul.kr,TAB\0\0\0\0xyz"s},
        // Nothing tells noise from the answer: it becomes the start of the homepage (less its
        // control characters), and a write's "Success" behind it no longer counts.
        {"garbage before a READ answer", Reply().WithGarbage(garbage), Op::Read, "~?#home.kr", "T1",
         "", garbage + "home.kr,T1"},
        {"garbage before a WRITE answer", Reply().WithGarbage(garbage), Op::Write, "", "",
         "TABLE INFO WRITE FAIL.", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        m_reader->Script(row.reply);
        if (row.op == Op::Read) {
            Click(IDC_BTN_READ);
            EXPECT_EQ(m_dlg->m_strHomepage, row.homepage);
            EXPECT_EQ(m_dlg->m_strTableInfo, row.tableInfo);
        } else {
            SetFields("", "T1");  // the tag keeps what the READ rows expect
            Click(IDC_BTN_WRITE);
            ASSERT_FALSE(m_boxes->Texts().empty());
            EXPECT_EQ(m_boxes->Texts().back(), row.box);
        }
        EXPECT_TRUE(TagControlsEnabled());
        for (int i = 0; i < 50 && g_strReceived.size() < row.after.size(); ++i) {
            m_dlg->WaitPumping(10);
        }
        EXPECT_EQ(g_strReceived, row.after);
    }
    EXPECT_EQ(m_boxes->Texts().size(), 3u) << "a box for each WRITE, none for READ";
}

// Signals without SA_RESTART hit every thread, in the watch thread's wait, in the reader's, in
// the window's event loop, while WRITE, READ, CLOSE and OPEN run: the session goes as without.
TEST_F(AnswerFaultTest, SignalStormChangesNothingInASession) {
    const std::uint64_t handled = SignalStorm::Handled();
    const std::uint64_t wakeups = platform::SerialCalls().waitWakeups;
    {
        SignalStorm storm;
        SetFields("storm.kr", "S1");
        Click(IDC_BTN_WRITE);
        Click(IDC_BTN_READ);
        Click(IDC_BTN_CLOSE);
        OpenPort(0);
        Click(IDC_BTN_READ);
    }
    EXPECT_EQ(FrameBytes(),
              (std::vector{Frame("Ustorm.kr"), Frame("WS1"), Frame("R"), Frame("R")}));
    EXPECT_EQ(m_boxes->Texts(),
              (std::vector<std::string>{"HOMEPAGE WRITE SUCCESS.", "TABLE INFO WRITE SUCCESS."}));
    EXPECT_EQ(m_dlg->m_strHomepage, "storm.kr");
    EXPECT_EQ(m_dlg->m_strTableInfo, "S1");
    EXPECT_EQ(m_dlg->m_comm.m_bConnected, 1) << m_dlg->m_comm.m_openError.text;
    EXPECT_EQ(StatusText(), "COM1,57600,8,2,0 ConnectClose Port COM1 !!COM1,57600,8,2,0 Connect");
    EXPECT_EQ(m_tones->Take().size(), 4u);
    EXPECT_GT(SignalStorm::Handled() - handled, 1000u);
    // The watch thread's wait went round for interruptions, not only for the answers.
    EXPECT_GT(platform::SerialCalls().waitWakeups - wakeups, 100u);
}

}  // namespace
}  // namespace faulttest
