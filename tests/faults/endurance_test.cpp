// Long runs through the window: a thousand OPEN/CLOSE cycles on the buttons and a soak of mixed
// reads and writes leave the process holding what it held before.
//
// The soak sends its frames and reads the answers with the dialog's own members (SendFrame,
// WaitPumping, the answer parsers) but stops waiting as soon as the whole answer is in, instead
// of sitting out the fixed second of each button operation; a few button operations in between
// keep the handlers in the run. The product's timing is untouched.

#include <QTimer>

#include <algorithm>
#include <functional>
#include <string_view>

#include "dialog_fixture.h"
#include "platform/serial_device.h"
#include "res/resource.h"
#include "simreader/reply.h"
#include "support/process_counts.h"
#include "support/wait_until.h"
#include "tag/answers.h"
#include "tag/received_text.h"

namespace faulttest {
namespace {

using namespace std::chrono_literals;

// Memory a run may fairly keep: a few pages of allocator and reader records.
constexpr long kMemorySlackKiB = 256;
// Heap a run may fairly keep: the boxes' records, posted events, the window thread's allocator
// cache.
constexpr long kHeapSlackKiB = 128;
constexpr std::string_view kSuccess = "Success";

// What the process holds.
struct Footprint {
    std::size_t descriptors = testsupport::OpenDescriptorCount();
    std::size_t watchThreads = testsupport::WatchThreadCount();
    long memoryKiB = testsupport::MemoryKiB();
};

class EnduranceTest : public testsupport::DialogTest {
  protected:
    void SetUp() override {
        DialogTest::SetUp();
        StartReader("COM1").SetTag(m_tag);
    }

    // Descriptors and watch threads as before; memory within what a run may fairly keep.
    void ExpectBackWhereItWas(const Footprint& before) {
        EXPECT_EQ(testsupport::OpenDescriptorCount(), before.descriptors);
        EXPECT_TRUE(testsupport::WatchThreadsComeTo(before.watchThreads));
        EXPECT_LE(testsupport::MemoryKiB() - before.memoryKiB, kMemorySlackKiB);
    }

    // One command through the dialog's members; returns the answer text once `length` bytes are
    // in, or whatever came within the second a button operation would have waited.
    std::string Exchange(const std::string& payload, std::size_t length) {
        g_strReceived.clear();
        EXPECT_TRUE(m_dlg->SendFrame(payload)) << "the frame went out whole";
        for (int i = 0; i < 1000 && g_strReceived.size() < length; ++i) {
            m_dlg->WaitPumping(1);
        }
        return g_strReceived;
    }

    sim::TagState m_tag{"home.kr", "T0", false};
};

TEST_F(EnduranceTest, ThousandOpenCloseCyclesOnTheButtons) {
    // The hidden status box keeps every text up to its line edit's limit, about 3 MiB with
    // layout: growth the dialog means to have. Full from the start, it leaves only what the
    // cycles themselves would keep.
    Edit(IDC_EDIT_STATUS)->setText(QString(Edit(IDC_EDIT_STATUS)->maxLength(), u'.'));
    for (int i = 0; i < 5; ++i) {  // first uses set up state that lives as long as the process
        OpenPort(0);
        Click(IDC_BTN_CLOSE);
    }
    const Footprint before;
    for (int i = 0; i < 1000; ++i) {
        Click(IDC_BTN_OPEN);
        ASSERT_EQ(m_dlg->m_comm.m_bConnected, 1) << i << ": " << m_dlg->m_comm.m_openError.text;
        Click(IDC_BTN_CLOSE);
        ASSERT_EQ(m_dlg->m_comm.m_nWatchExitCode.load(), 1) << i;
        m_tones->Take();
    }
    ExpectBackWhereItWas(before);
    EXPECT_TRUE(m_boxes->Texts().empty());
}

TEST_F(EnduranceTest, SoakOfMixedReadsAndWrites) {
    OpenPort(0);
    ASSERT_EQ(m_dlg->m_comm.m_bConnected, 1) << m_dlg->m_comm.m_openError.text;
    Footprint before;
    for (int i = 0; i < 300; ++i) {
        SCOPED_TRACE("operation " + std::to_string(i));
        if (i == 6) {  // the port open, the first answers in
            before = Footprint();
        }
        if (i == 150) {  // the handlers themselves, answer wait and all
            Click(IDC_BTN_READ);
            EXPECT_EQ(m_dlg->m_strHomepage, m_tag.homepage);
            EXPECT_EQ(m_dlg->m_strTableInfo, m_tag.tableInfo);
            m_tag.tableInfo = "B" + std::to_string(i);
            Edit(IDC_EDIT_HOMEPAGE)->clear();
            Edit(IDC_EDIT_TABLE_INFO)->setText(QString::fromStdString(m_tag.tableInfo));
            Click(IDC_BTN_WRITE);
            EXPECT_EQ(m_boxes->Texts().back(), "TABLE INFO WRITE SUCCESS.");
        }
        switch (i % 3) {
            case 0: {
                const std::string expected = m_tag.homepage + "," + m_tag.tableInfo;
                const tag::ReadAnswer read = tag::SplitReadAnswer(Exchange("R", expected.size()));
                EXPECT_EQ(read.homepage, m_tag.homepage);
                EXPECT_EQ(read.tableInfo, m_tag.tableInfo);
                break;
            }
            case 1:
                m_tag.tableInfo = "T" + std::to_string(i);
                EXPECT_TRUE(tag::IsWriteSuccess(Exchange("W" + m_tag.tableInfo, kSuccess.size())));
                break;
            default:
                m_tag.homepage = "h" + std::to_string(i) + ".kr";
                EXPECT_TRUE(tag::IsWriteSuccess(Exchange("U" + m_tag.homepage, kSuccess.size())));
                break;
        }
    }
    EXPECT_EQ(m_reader->Frames().size(), 302u);
    EXPECT_EQ(m_reader->Tag().homepage, m_tag.homepage);
    ExpectBackWhereItWas(before);
}

// A flood that runs into a READ grows the answer text to megabytes; afterwards, and after a few
// hundred ordinary exchanges, the heap in use is back at its level: nothing of the flood is kept.
// Both levels are taken with the port closed and the reader gone, so that the blocks their
// threads' allocator caches held are given back and do not count.
TEST_F(EnduranceTest, HeapInUseReturnsToItsLevelAfterAFloodDuringAnOperation) {
    // Paced, a KiB a millisecond, so that the window takes it in rather than losing it to a full
    // queue; it ends within the READ's second, the answer last.
    constexpr std::size_t kFlood = 768u << 10;
    const sim::Reply flooded =
        sim::Reply().WithGarbage(sim::FloodBytes(kFlood)).InPieces(1024, 1ms);
    // Under this, the READ took in too little of the flood for the test to tell anything.
    constexpr std::size_t kTakenIn = 3 * kHeapSlackKiB * 1024 / 2;
    const std::string expected = m_tag.homepage + "," + m_tag.tableInfo;
    const auto session = [&](const std::function<void()>& work) {
        StartReader("COM1").SetTag(m_tag);
        Click(IDC_BTN_OPEN);
        ASSERT_EQ(m_dlg->m_comm.m_bConnected, 1) << m_dlg->m_comm.m_openError.text;
        work();
        for (int i = 0; i < 300; ++i) {
            const tag::ReadAnswer read = tag::SplitReadAnswer(Exchange("R", expected.size()));
            ASSERT_EQ(read.homepage, m_tag.homepage) << i;
        }
        Click(IDC_BTN_CLOSE);
        m_reader.reset();
    };
    session([] {});  // the first uses of every path
    const long before = testsupport::HeapInUseKiB();
    std::size_t takenIn = 0;
    session([&] {
        const std::uint64_t readBefore = platform::SerialCalls().bytesRead;
        QTimer watch;
        watch.callOnTimeout([&] { takenIn = std::max(takenIn, g_strReceived.size()); });
        watch.start(10);
        m_reader->Script(flooded);
        Click(IDC_BTN_READ);
        watch.stop();
        EXPECT_TRUE(testsupport::WaitUntil(
            [&] {
                m_dlg->WaitPumping(1);
                return platform::SerialCalls().bytesRead - readBefore >= kFlood + expected.size();
            },
            5s));
    });
    ASSERT_GE(takenIn, kTakenIn) << "the flood hardly reached the READ";
    EXPECT_LE(testsupport::HeapInUseKiB() - before, kHeapSlackKiB);
}

}  // namespace
}  // namespace faulttest
