// The watch thread against a real pseudo-terminal: what it reads, when it tells the window, and
// how it ends.

#include <algorithm>
#include <chrono>
#include <future>

#include "channel_fixture.h"
#include "support/process_counts.h"

namespace commtest {
namespace {

using namespace std::chrono_literals;

TEST_F(ChannelTest, PostsToMainWindowAfterBytesArrive) {
    ASSERT_EQ(OpenPort(), 1);
    const std::vector<std::uint8_t> answer = Pattern(100, 1);
    ASSERT_TRUE(m_pty.WriteAll(answer));
    ASSERT_TRUE(QueueReaches(100));
    ASSERT_TRUE(m_poster.WaitForCount(1, 5s));
    EXPECT_EQ(Take(), answer);
    for (const auto& post : m_poster.Posts()) {
        EXPECT_EQ(post.window, testsupport::FakeWindow());
        EXPECT_EQ(post.message, WM_RX_NOTIFY);
    }
    EXPECT_EQ(WM_RX_NOTIFY, 0x0401u);
}

// 2500 bytes waiting and nothing more coming: reads of 2048 and 452, then a look at the empty
// input queue without a read, then exactly one notification.
TEST_F(ChannelTest, DrainsWaitingBytesInChunksThenPostsOnce) {
    ASSERT_EQ(OpenPort(), 1);
    HoldWatchThreadInPost();
    const std::size_t postsBefore = m_poster.Count();
    const std::vector<std::uint8_t> burst = Pattern(2500, 2);
    ASSERT_TRUE(m_pty.WriteAll(burst));
    ASSERT_TRUE(InputLands(2500));
    Take();

    const platform::SerialCallCounts before = platform::SerialCalls();
    LetWatchThreadGo();
    ASSERT_TRUE(m_poster.WaitForCount(postsBefore + 1, 5s));
    const platform::SerialCallCounts after = platform::SerialCalls();
    EXPECT_EQ(after.reads - before.reads, 2u);
    EXPECT_EQ(after.queueQueries - before.queueQueries, 3u);
    EXPECT_EQ(m_poster.Count(), postsBefore + 1);
    EXPECT_EQ(Take(), burst);
}

struct BurstRow {
    const char* name;
    std::int32_t waiting;  // k bytes already in the queue
    std::int32_t burst;
    bool taken;
    friend void PrintTo(const BurstRow& row, std::ostream* out) { *out << row.name; }
};

class BuffFullTest : public ChannelTest, public ::testing::WithParamInterface<BurstRow> {};

// A burst is taken only when all of it fits; otherwise all of it is dropped with "buff full".
TEST_P(BuffFullTest, TakesWholeBurstOrDropsWholeBurst) {
    const BurstRow& row = GetParam();
    ASSERT_EQ(OpenPort(), 1);
    HoldWatchThreadInPost();
    const std::vector<std::uint8_t> burst = Pattern(static_cast<std::size_t>(row.burst), 3);
    ASSERT_TRUE(m_pty.WriteAll(burst));
    ASSERT_TRUE(InputLands(burst.size()));
    Take(RX_QUEUE_SIZE - 1 - row.waiting);
    ASSERT_EQ(m_channel.m_rxQueue.GetCount(), row.waiting);

    const std::size_t posts = m_poster.Count();
    LetWatchThreadGo();
    ASSERT_TRUE(m_poster.WaitForCount(posts + 1, 5s));
    const std::vector<std::string> expectedBoxes(row.taken ? 0 : 1, "buff full");
    EXPECT_EQ(m_boxes.Texts(), expectedBoxes);
    const std::vector<std::uint8_t> queued = Take();
    if (row.taken) {
        ASSERT_EQ(queued.size(), static_cast<std::size_t>(RX_QUEUE_SIZE - 1));
        EXPECT_TRUE(std::equal(burst.begin(), burst.end(), queued.end() - row.burst));
    } else {
        EXPECT_EQ(queued.size(), static_cast<std::size_t>(row.waiting));
    }
}

INSTANTIATE_TEST_SUITE_P(Boundary, BuffFullTest,
                         ::testing::Values(BurstRow{"fills_queue", 3000, 1191, true},
                                           BurstRow{"one_too_many", 3000, 1192, false},
                                           BurstRow{"last_slot", 4190, 1, true},
                                           BurstRow{"no_room_for_two", 4190, 2, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ChannelTest, CloseEndsThreadPromptlyWithoutPostAndReopenWorks) {
    ASSERT_EQ(OpenPort(), 1);
    ASSERT_TRUE(m_channel.m_hWatchThread.joinable());
    const std::size_t posts = m_poster.Count();
    const auto start = std::chrono::steady_clock::now();
    m_channel.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_FALSE(m_channel.m_hWatchThread.joinable());
    EXPECT_EQ(m_channel.m_nWatchExitCode.load(), 1);
    EXPECT_EQ(m_channel.m_bConnected.load(), 0);
    EXPECT_EQ(m_poster.Count(), posts);  // the wake-up of Close is no receive event

    ASSERT_EQ(OpenPort(), 1);
    ASSERT_TRUE(m_pty.WriteAll(std::string_view("again")));
    ASSERT_TRUE(QueueReaches(5));
}

// Bytes that were not taken before Close are still there after the next Open.
TEST_F(ChannelTest, QueueSurvivesCloseAndOpen) {
    ASSERT_EQ(OpenPort(), 1);
    ASSERT_TRUE(m_pty.WriteAll(std::string_view("kept")));
    ASSERT_TRUE(QueueReaches(4));
    m_channel.Close();
    ASSERT_EQ(OpenPort(), 1);
    const std::vector<std::uint8_t> kept = Take();
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "kept");
}

// While the operator has not answered a "buff full" box, further bursts that do not fit are
// dropped without another box; reading goes on, and Close waits for nobody.
TEST_F(ChannelTest, OneBuffFullBoxAtATimeAndCloseWaitsForNoOperator) {
    ASSERT_EQ(OpenPort(), 1);
    m_boxes.SetHolding(true);
    HoldWatchThreadInPost();
    for (int burst = 0; burst < 3; ++burst) {
        const std::size_t posts = m_poster.Count();
        ASSERT_TRUE(m_pty.WriteAll(Pattern(10, burst)));
        ASSERT_TRUE(InputLands(10));
        burst < 2 ? m_poster.Release() : LetWatchThreadGo();
        ASSERT_TRUE(m_poster.WaitForCount(posts + 1, 5s));
    }
    EXPECT_EQ(m_boxes.Texts(), std::vector<std::string>{"buff full"});
    EXPECT_EQ(m_boxes.BoxesUp(), 1u);

    auto closing = std::async(std::launch::async, [&] { m_channel.Close(); });
    ASSERT_EQ(closing.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(m_channel.m_nWatchExitCode.load(), 1);
    EXPECT_EQ(m_boxes.BoxesUp(), 1u) << "the box waits for the operator";

    // Answered, the next burst that does not fit gets its box again.
    m_boxes.Release();
    Take();
    ASSERT_EQ(OpenPort(), 1);
    m_boxes.SetHolding(false);
    HoldWatchThreadInPost();
    ASSERT_TRUE(m_pty.WriteAll(Pattern(10, 7)));
    ASSERT_TRUE(InputLands(10));
    LetWatchThreadGo();
    ASSERT_TRUE(m_boxes.WaitForCount(2, 5s));
}

TEST_F(ChannelTest, DestroyingOpenChannelEndsItsThread) {
    {
        CCommChannel local;
        m_channel.Close();
        ASSERT_EQ(local.Open(PortSettings{kPort, 57600, 8, 2, 0}), 1);
        EXPECT_TRUE(testsupport::WatchThreadsComeTo(1));
    }
    EXPECT_TRUE(testsupport::WatchThreadsComeTo(0));
    EXPECT_EQ(OpenPort(), 1);  // and the device was let go
}

// A pulled plug mid-stream: the thread neither spins nor crashes, writes fail quietly, and
// Close followed by Open of a new device recovers.
TEST_F(ChannelTest, UnplugMidStreamNeitherSpinsNorCrashes) {
    ASSERT_EQ(OpenPort(), 1);
    ASSERT_TRUE(m_pty.WriteAll(Pattern(1000, 4)));
    ASSERT_TRUE(QueueReaches(1));
    m_pty.HangUp();
    Take();

    // Give a spinning thread time to show itself: a blocked one wakes once or twice for the
    // hang-up, a spinning one thousands of times.
    const std::uint64_t wakeups = platform::SerialCalls().waitWakeups;
    std::this_thread::sleep_for(200ms);
    EXPECT_LE(platform::SerialCalls().waitWakeups - wakeups, 2u);
    EXPECT_TRUE(m_channel.m_hWatchThread.joinable());
    // The window hears of it once, after the bytes that came before it.
    const auto posts = m_poster.Posts();
    const auto gone = std::count_if(posts.begin(), posts.end(),
                                    [](const auto& p) { return p.message == WM_DEVICE_GONE; });
    EXPECT_EQ(gone, 1);
    ASSERT_FALSE(posts.empty());
    EXPECT_EQ(posts.back().message, WM_DEVICE_GONE);
    EXPECT_EQ(posts.front().message, WM_RX_NOTIFY);

    const std::uint8_t frame[] = {0x01, 'R', 0x04};
    EXPECT_EQ(m_channel.WriteComm(frame, sizeof frame), 0);
    const auto start = std::chrono::steady_clock::now();
    m_channel.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_EQ(m_channel.m_nWatchExitCode.load(), 1);

    sim::PseudoTerminal replacement;
    replacement.LinkAs(kPort);
    ASSERT_EQ(OpenPort(), 1) << m_channel.m_openError.text;
    ASSERT_TRUE(replacement.WriteAll(std::string_view("back")));
    ASSERT_TRUE(QueueReaches(4));
    const std::vector<std::uint8_t> back = Take();
    EXPECT_EQ(std::string(back.begin(), back.end()), "back");
}

TEST_F(ChannelTest, ThousandOpenCloseCyclesLeakNothing) {
    ASSERT_EQ(OpenPort(), 1);  // first use may set up lazily created process state
    m_channel.Close();
    const std::size_t descriptors = testsupport::OpenDescriptorCount();
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(OpenPort(), 1) << "cycle " << i << ": " << m_channel.m_openError.text;
        m_channel.Close();
    }
    EXPECT_EQ(testsupport::OpenDescriptorCount(), descriptors);
    EXPECT_TRUE(testsupport::WatchThreadsComeTo(0));
}

}  // namespace
}  // namespace commtest
