// READ, WRITE and the presets end to end: the real dialog, the real channel on a pseudo-terminal
// and the simulated reader, which records the exact bytes of every frame on the wire.

#include <QApplication>
#include <QTimer>

#include "comm/rx_queue.h"
#include "dialog_fixture.h"
#include "platform/serial_device.h"
#include "res/resource.h"
#include "simreader/reply.h"
#include "support/wait_until.h"
#include "tag/commands.h"
#include "tag/received_text.h"

namespace {

using namespace std::string_literals;
using namespace std::chrono_literals;

using testsupport::Frame;

class TagOperationsTest : public testsupport::OpenPortDialogTest {
  protected:
    std::string Shown(int id) const { return Edit(id)->text().toStdString(); }
    // The frame's own bytes go out as hex text through the dialog's channel.
    bool SendHexBytes(const std::string& text) {
        return tag::SendHexBytes(
            [this](const void* data, std::int32_t n) { return m_dlg->m_comm.WriteComm(data, n); },
            text);
    }
};

// How an answer splits is the text tests' business; these rows follow it through the wire, the
// queue, the answer text and the fields.
TEST_F(TagOperationsTest, ReadFillsBothFieldsFromTheAnswer) {
    struct Row {
        const char* name;
        std::optional<std::string> answer;  // nothing: silence
        std::string homepage;
        std::string tableInfo;
    };
    const Row rows[] = {
        {"both items", "abc,START", "abc", "START"},
        {"twelve-character cut", "abc,ABCDEFGHIJKLMNO", "abc", "ABCDEFGHIJKL"},
        {"nul bytes", "A\0B"s, "A", "B"},
        {"silence", std::nullopt, "", ""},
    };
    qobject_cast<QCheckBox*>(Item(IDC_CHK_LOCK))->setChecked(true);
    std::size_t frames = 0;
    for (const Row& row : rows) {
        m_reader->Script(row.answer ? sim::Reply().Answer(*row.answer) : sim::Silence());
        Click(IDC_BTN_READ);
        ++frames;
        ASSERT_EQ(FrameBytes().size(), frames) << row.name;
        EXPECT_EQ(FrameBytes().back(), Frame("R")) << row.name;
        EXPECT_EQ(Shown(IDC_EDIT_HOMEPAGE), row.homepage) << row.name;
        EXPECT_EQ(Shown(IDC_EDIT_TABLE_INFO), row.tableInfo) << row.name;
        EXPECT_TRUE(qobject_cast<QCheckBox*>(Item(IDC_CHK_LOCK))->isChecked()) << row.name;
        EXPECT_TRUE(TagControlsEnabled()) << row.name;
    }
    EXPECT_EQ(g_strReceived, "") << "silence leaves nothing behind";
    EXPECT_TRUE(m_boxes->Texts().empty());
}

TEST_F(TagOperationsTest, WriteSendsExactlyThePayloadsOnTheWire) {
    struct Row {
        const char* name;
        std::string homepage;
        std::string tableInfo;
        bool lock;
        std::vector<std::string> frames;
    };
    const Row rows[] = {
        {"unlocked", "http://abc", "", false, {Frame("Uabc")}},
        {"locked", "http://abc", "", true, {Frame("Labc")}},
        {"scheme in capitals stays", "HTTP://abc", "", false, {Frame("UHTTP://abc")}},
        {"https stays", "https://abc", "", false, {Frame("Uhttps://abc")}},
        {"commas go", "a,b", "", false, {Frame("Uab")}},
        {"one pass each", "http:,//x", "", false, {Frame("Uhttp://x")}},
        {"scheme alone", "http://", "", false, {Frame("U")}},
        {"spaces kept", " a b ", "", false, {Frame("U a b ")}},
        {"both items, homepage first", "x.kr", "T 1", false, {Frame("Ux.kr"), Frame("WT 1")}},
        {"narrow encoding is UTF-8", "한국.kr", "", false, {Frame("U\xED\x95\x9C\xEA\xB5\xAD.kr")}},
    };
    for (const Row& row : rows) {
        m_reader->SetTag({});  // a locked tag would refuse the rows after "locked"
        const std::size_t before = FrameBytes().size();
        SetFields(row.homepage, row.tableInfo, row.lock);
        Click(IDC_BTN_WRITE);
        const std::vector<std::string> all = FrameBytes();
        EXPECT_EQ(std::vector(all.begin() + static_cast<long>(before), all.end()), row.frames)
            << row.name;
        EXPECT_TRUE(TagControlsEnabled()) << row.name;
    }
    const auto boxes = m_boxes->Texts();
    EXPECT_EQ(boxes.size(), 11u);
    EXPECT_EQ(boxes[8], "HOMEPAGE WRITE SUCCESS.");
    EXPECT_EQ(boxes[9], "TABLE INFO WRITE SUCCESS.");
}

TEST_F(TagOperationsTest, WriteJudgesTheAnswer) {
    struct Row {
        std::optional<std::string> answer;
        const char* box;
    };
    const Row rows[] = {
        {"Suc cess", "TABLE INFO WRITE SUCCESS."}, {"Success\0junk"s, "TABLE INFO WRITE SUCCESS."},
        {"success", "TABLE INFO WRITE FAIL."},     {"Success\r\n", "TABLE INFO WRITE FAIL."},
        {std::nullopt, "TABLE INFO WRITE FAIL."},
    };
    for (const Row& row : rows) {
        m_reader->Script(row.answer ? sim::Reply().Answer(*row.answer) : sim::Silence());
        SetFields("", "T", false);
        Click(IDC_BTN_WRITE);
        ASSERT_FALSE(m_boxes->Texts().empty());
        EXPECT_EQ(m_boxes->Texts().back(), row.box);
    }
    // A locked homepage is refused by the tag: the operator is told.
    SetFields("locked.kr", "", true);
    Click(IDC_BTN_WRITE);
    SetFields("other.kr", "", false);
    Click(IDC_BTN_WRITE);
    EXPECT_EQ(m_boxes->Texts().back(), "HOMEPAGE WRITE FAIL.");
}

TEST_F(TagOperationsTest, EmptyInputSendsNothing) {
    for (const char* tableInfo : {"", "   "}) {
        SetFields("", tableInfo, false);
        Click(IDC_BTN_WRITE);
        EXPECT_EQ(m_boxes->Texts().back(), "INPUT DATA FAIL.");
        EXPECT_TRUE(TagControlsEnabled());
    }
    EXPECT_TRUE(m_reader->Frames().empty());
}

TEST_F(TagOperationsTest, PresetsFillTheFieldsForTheNextWrite) {
    SetFields("home.kr", "x", false);
    Click(IDC_BTN_START_TAG);
    EXPECT_EQ(Shown(IDC_EDIT_HOMEPAGE), "");
    EXPECT_EQ(Shown(IDC_EDIT_TABLE_INFO), "START");
    Click(IDC_BTN_CANCEL_TAG);
    EXPECT_EQ(Shown(IDC_EDIT_TABLE_INFO), "DELETE");
    Click(IDC_BTN_WRITE);
    EXPECT_EQ(FrameBytes(), std::vector{Frame("WDELETE")});
}

TEST_F(TagOperationsTest, LateAnswerIsNotKept) {
    m_reader->Script(sim::Reply().Answer("late,LATE").After(1200ms));
    Click(IDC_BTN_READ);
    EXPECT_EQ(Shown(IDC_EDIT_HOMEPAGE), "");
    // The late bytes arrive while no operation runs: taken from the queue and kept nowhere. They
    // are counted as they pass the queue, not as the port gives them: between the watch thread's
    // read and its putting them into the queue, an empty queue would pass for bytes already taken,
    // and the READ below would begin with them still on their way.
    const CRxQueue& queue = m_dlg->m_comm.m_rxQueue;
    const std::int32_t head = queue.m_head.load();
    ASSERT_TRUE(testsupport::WaitUntil([&] {
        QApplication::processEvents();
        return (queue.m_head.load() - head + RX_QUEUE_SIZE) % RX_QUEUE_SIZE == 9 &&
               queue.GetCount() == 0;
    }));
    EXPECT_EQ(g_strReceived, "");
    Click(IDC_BTN_READ);
    EXPECT_EQ(Shown(IDC_EDIT_HOMEPAGE), "");
    EXPECT_EQ(Shown(IDC_EDIT_TABLE_INFO), "");
}

TEST_F(TagOperationsTest, CloseDuringReadEndsWithTheTagGroupFollowingThePort) {
    m_reader->Script(sim::Reply().Answer("abc,DEF").After(50ms));
    During(300ms, [this] { Click(IDC_BTN_CLOSE); });
    Click(IDC_BTN_READ);
    EXPECT_EQ(m_dlg->m_comm.m_bConnected, 0);
    EXPECT_EQ(Shown(IDC_EDIT_HOMEPAGE), "abc");
    EXPECT_EQ(Shown(IDC_EDIT_TABLE_INFO), "DEF");
    EXPECT_TRUE(TagControlsDisabled()) << "the port is closed";
}

TEST_F(TagOperationsTest, OpenInsideAWaitDoesNotStartASecondOperation) {
    m_reader->Script(sim::Reply().Answer("first,ONE").After(600ms));
    bool reopened = false;
    During(200ms, [&] {
        Click(IDC_BTN_CLOSE);
        OpenPort(0);
        reopened = m_dlg->m_comm.m_bConnected == 1;
        EXPECT_TRUE(TagControlsDisabled()) << "the running operation keeps the group";
        Click(IDC_BTN_READ);
        m_dlg->OnBnClickedRead();
        m_dlg->OnBnClickedWrite();
        m_dlg->OnBnClickedStartTag();
    });
    Click(IDC_BTN_READ);
    EXPECT_TRUE(reopened);
    EXPECT_EQ(FrameBytes(), std::vector{Frame("R")});
    EXPECT_EQ(Shown(IDC_EDIT_HOMEPAGE), "first");
    EXPECT_EQ(Shown(IDC_EDIT_TABLE_INFO), "ONE");
    EXPECT_TRUE(TagControlsEnabled()) << "the port is open again";
}

TEST_F(TagOperationsTest, WriteSendsNothingWhenTheFieldsFailTheirLimits) {
    // A READ can leave more than 60 characters in the homepage box; ticking LOCK then must not
    // lead to a write of stale members.
    m_reader->Script(sim::Reply().Answer(std::string(61, 'h') + ",T"));
    Click(IDC_BTN_READ);
    ASSERT_EQ(Shown(IDC_EDIT_HOMEPAGE).size(), 61u);
    qobject_cast<QCheckBox*>(Item(IDC_CHK_LOCK))->setChecked(true);
    Click(IDC_BTN_WRITE);
    EXPECT_EQ(FrameBytes(), std::vector{Frame("R")});
    EXPECT_EQ(m_boxes->Texts().size(), 1u) << "only the limit's message";
    EXPECT_TRUE(TagControlsEnabled());
}

TEST_F(TagOperationsTest, WaitOfZeroTakesNoEventAndLongerWaitsDeliverAnswers) {
    Click(IDC_BTN_CLOSE);
    for (std::uint8_t byte : {0x41, 0x00, 0x42}) {
        ASSERT_EQ(m_dlg->m_comm.m_rxQueue.PutByte(byte), 1);
    }
    platform::PostWindowMessage(m_dlg->GetSafeHwnd(), WM_RX_NOTIFY);
    m_dlg->WaitPumping(0);
    EXPECT_TRUE(g_strReceived.empty());
    m_dlg->WaitPumping(20);
    EXPECT_EQ(g_strReceived, "A\0B"s);
    EXPECT_EQ(m_dlg->OnRxNotify(0, 0), 1) << "an empty queue changes nothing";
    EXPECT_EQ(g_strReceived, "A\0B"s);
}

TEST_F(TagOperationsTest, HexBytesGoOutInWritesOfAtMostEight) {
    struct Row {
        std::size_t digits;
        std::uint64_t writes;
    };
    std::size_t expectedBytes = 0;
    for (const Row row : {Row{14, 1}, Row{16, 1}, Row{32, 2}, Row{34, 3}, Row{0, 0}}) {
        const std::uint64_t before = platform::SerialCalls().writes;
        EXPECT_TRUE(SendHexBytes(std::string(row.digits, '7'))) << row.digits;
        EXPECT_EQ(platform::SerialCalls().writes - before, row.writes) << row.digits;
        expectedBytes += row.digits / 2;
    }
    // Bytes outside a frame are noise to the reader, but it records them.
    for (int i = 0; i < 100 && m_reader->Received().size() < expectedBytes; ++i) {
        m_dlg->WaitPumping(5);
    }
    EXPECT_EQ(m_reader->Received(), std::string(expectedBytes, '\x77'));
}

TEST_F(TagOperationsTest, ClosedPortSendsNothingAndStillWaits) {
    Click(IDC_BTN_CLOSE);
    EXPECT_FALSE(m_dlg->SendFrame("R"));
    EXPECT_FALSE(SendHexBytes("0102030405060708090A"));
    EXPECT_FALSE(m_reader->WaitForFrames(1, 50ms));
    EXPECT_TRUE(m_reader->Received().empty());
}

}  // namespace
