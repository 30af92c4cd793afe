// What a tag holds survives the window: a READ followed by a WRITE sends back what the boxes
// show and nothing else, whatever bytes the device answered with.

#include "dialog_fixture.h"
#include "res/resource.h"
#include "simreader/reply.h"

namespace {

using namespace std::string_literals;
using testsupport::DialogTest;
using testsupport::Frame;

class TagIntegrityTest : public DialogTest {
  protected:
    void SetUp() override {
        DialogTest::SetUp();
        StartReader("COM1");
        OpenPort(0);
        ASSERT_EQ(m_dlg->m_comm.m_bConnected, 1);
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

}  // namespace
