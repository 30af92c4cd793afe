// What a tag holds survives the window: a READ followed by a WRITE sends back what the boxes
// show and nothing else, whatever bytes the device answered with.

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>

#include <chrono>

#include "dialog_fixture.h"
#include "res/resource.h"
#include "simreader/reply.h"

namespace {

using namespace std::string_literals;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testsupport::Frame;

class TagIntegrityTest : public testsupport::OpenPortDialogTest {
  protected:
    // Key presses that carry any character, as an input method delivers them.
    static void Type(QLineEdit* edit, const QString& text) {
        edit->setFocus();
        for (QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(edit, &press);
        }
    }

    // How long a click takes, and how often the window's thread answered a 50 ms timer meanwhile.
    struct Timed {
        Clock::duration took;
        int ticks;
    };
    Timed TimedClick(int id) {
        int ticks = 0;
        QTimer ticker;
        ticker.callOnTimeout([&] { ++ticks; });
        ticker.start(50);
        const Clock::time_point start = Clock::now();
        Click(id);
        return {Clock::now() - start, ticks};
    }

    std::vector<std::string> FramesSince(std::size_t before) const {
        const std::vector<std::string> all = FrameBytes();
        return {all.begin() + static_cast<long>(before), all.end()};
    }

    // READ with the given answer, then WRITE what the boxes show; the frames of the WRITE.
    std::vector<std::string> ReadThenWriteBack(const std::string& answer) {
        m_reader->Script(sim::Reply().Answer(answer));
        Click(IDC_BTN_READ);
        const std::size_t before = FrameBytes().size();
        Click(IDC_BTN_WRITE);
        return FramesSince(before);
    }
};

TEST_F(TagIntegrityTest, FrameBytesInAnAnswerNeverReachAWrite) {
    // A tag whose homepage holds an end byte and a LOCK command behind it.
    EXPECT_EQ(ReadThenWriteBack("evil\x04\x01Lx.kr\x04,T1\r\n"),
              (std::vector{Frame("UevilLx.kr"), Frame("WT1")}));
    EXPECT_EQ(Edit(IDC_EDIT_HOMEPAGE)->text(), "evilLx.kr");
    EXPECT_EQ(Edit(IDC_EDIT_TABLE_INFO)->text(), "T1") << "no line end in the box";
    EXPECT_FALSE(m_reader->Tag().locked);
}

TEST_F(TagIntegrityTest, BytesSurviveARoundTripAndEditsOfTheOtherBox) {
    // Latin-1 bytes from another tool: not UTF-8, and each must come back as it was.
    EXPECT_EQ(ReadThenWriteBack("caf\xE9,T\xFF"),
              (std::vector{Frame("Ucaf\xE9"), Frame("WT\xFF")}));

    m_reader->Script(sim::Reply().Answer("caf\xE9,T\xFF"));
    Click(IDC_BTN_READ);
    QLineEdit* tableInfo = Edit(IDC_EDIT_TABLE_INFO);
    tableInfo->selectAll();
    Type(tableInfo, "NEW");
    const std::size_t before = FrameBytes().size();
    Click(IDC_BTN_WRITE);
    EXPECT_EQ(FramesSince(before), (std::vector{Frame("Ucaf\xE9"), Frame("WNEW")}));
}

TEST_F(TagIntegrityTest, LimitsCountTheBytesOnTheWire) {
    QLineEdit* tableInfo = Edit(IDC_EDIT_TABLE_INFO);
    Type(tableInfo, QString::fromUtf8("한국어한국어"));
    EXPECT_EQ(tableInfo->text(), QString::fromUtf8("한국어한")) << "twelve bytes, four characters";

    QLineEdit* homepage = Edit(IDC_EDIT_HOMEPAGE);
    homepage->setText(QString(56, 'a'));
    homepage->end(false);
    homepage->insert(QString::fromUtf8("한bc"));
    EXPECT_EQ(homepage->text(), QString(56, 'a') + QString::fromUtf8("한b"))
        << "a paste inserts what fits";
    homepage->insert(QString::fromUtf8("한"));
    EXPECT_EQ(homepage->text().size(), 58) << "half a character never goes in";
    homepage->setText(QString(50, 'a'));
    homepage->setCursorPosition(10);
    homepage->insert("0123456789XYZ");
    EXPECT_EQ(homepage->text(), QString(10, 'a') + "0123456789" + QString(40, 'a'))
        << "inserted in the middle, cut at the limit";

    // A READ can leave more bytes in a box than the tag takes (21 characters, 63 bytes): WRITE
    // refuses them instead of sending what the tag would cut.
    std::string korean;
    for (int i = 0; i < 21; ++i) {
        korean += "\xED\x95\x9C";  // U+D55C
    }
    m_reader->Script(sim::Reply().Answer(korean + ",T"));
    Click(IDC_BTN_READ);
    ASSERT_EQ(homepage->text().size(), 21);
    const std::size_t before = FrameBytes().size();
    Click(IDC_BTN_WRITE);
    EXPECT_EQ(FramesSince(before).size(), 0u);
    EXPECT_EQ(m_boxes->Texts().back(), "Enter no more than 60 characters.");
}

TEST_F(TagIntegrityTest, ADeviceThatStopsTakingBytesNeverHoldsTheWindow) {
    m_reader->SetDeaf(true);
    const Timed read = TimedClick(IDC_BTN_READ);
    EXPECT_LT(read.took, 1500ms) << "one write's second, and no answer wait behind it";
    EXPECT_GE(read.ticks, 10) << "the window answered while the write waited";
    EXPECT_TRUE(TagControlsEnabled());

    SetFields("home.kr", "T1");
    const Timed write = TimedClick(IDC_BTN_WRITE);
    EXPECT_LT(write.took, 3000ms);
    EXPECT_EQ(m_boxes->Texts(),
              (std::vector<std::string>{"HOMEPAGE WRITE FAIL.", "TABLE INFO WRITE FAIL."}));

    // CLOSE inside a waiting write returns at once and ends the write; the READ then keeps its
    // second's wait, as after any CLOSE inside an operation.
    Clock::duration closeTook{};
    During(200ms, [&] {
        const Clock::time_point start = Clock::now();
        Click(IDC_BTN_CLOSE);
        closeTook = Clock::now() - start;
    });
    const Timed closed = TimedClick(IDC_BTN_READ);
    EXPECT_LT(closeTook, 200ms);
    EXPECT_LT(closed.took, 1500ms);
    EXPECT_EQ(m_dlg->m_comm.m_bConnected, 0);
    EXPECT_TRUE(TagControlsDisabled());

    m_reader->SetDeaf(false);
    OpenPort(0);
    m_reader->Script(sim::Reply().Answer("back.kr,T"));
    Click(IDC_BTN_READ);
    EXPECT_EQ(Edit(IDC_EDIT_HOMEPAGE)->text(), "back.kr");
}

// Closing the window while WRITE waits for the homepage's answer: no result box, no table-info
// frame, the port closed and the dialog ended as Cancel ends it.
TEST_F(TagIntegrityTest, ClosingTheWindowEndsTheOperationAtItsNextStep) {
    int result = -1;
    QObject::connect(&Window(), &QDialog::finished, [&](int code) { result = code; });
    SetFields("home.kr", "T1");
    During(200ms, [this] { Window().close(); });
    const Timed write = TimedClick(IDC_BTN_WRITE);
    EXPECT_LT(write.took, 900ms) << "the wait ends with the close request";
    EXPECT_EQ(FrameBytes(), std::vector{Frame("Uhome.kr")});
    EXPECT_TRUE(m_boxes->Texts().empty());
    EXPECT_EQ(m_dlg->m_comm.m_bConnected, 0);
    EXPECT_FALSE(Window().isVisible());
    EXPECT_EQ(result, platform::kIdCancel);
}

}  // namespace
