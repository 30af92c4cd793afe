#include <gtest/gtest.h>

#include <cstdint>
#include <thread>

#include "comm/rx_queue.h"

namespace {

constexpr std::int32_t kUsable = RX_QUEUE_SIZE - 1;

std::uint8_t PatternByte(std::uint32_t i) {
    return static_cast<std::uint8_t>(i ^ (i >> 8) ^ (i >> 16));
}

void PutMany(CRxQueue& q, std::uint32_t first, std::uint32_t count) {
    for (std::uint32_t i = first; i < first + count; ++i) {
        ASSERT_EQ(q.PutByte(PatternByte(i)), 1) << "byte " << i;
    }
}

TEST(RxQueue, NewQueueIsEmptyAndLeavesOutputAlone) {
    CRxQueue q;
    EXPECT_EQ(q.GetCount(), 0);
    std::uint8_t out = 0xA5;
    EXPECT_EQ(q.GetByte(&out), 0);
    EXPECT_EQ(out, 0xA5);
}

TEST(RxQueue, HoldsOneLessThanItsStorage) {
    CRxQueue q;
    PutMany(q, 0, kUsable);
    EXPECT_EQ(q.GetCount(), kUsable);
    const std::int32_t headBefore = q.m_head.load();
    EXPECT_EQ(q.PutByte(0x77), 0);
    EXPECT_EQ(q.GetCount(), kUsable);
    EXPECT_EQ(q.m_head.load(), headBefore);

    std::uint8_t out = 0;
    ASSERT_EQ(q.GetByte(&out), 1);
    EXPECT_EQ(out, PatternByte(0));
    EXPECT_EQ(q.PutByte(0x77), 1);
    EXPECT_EQ(q.PutByte(0x78), 0);
}

TEST(RxQueue, KeepsOrderAcrossTheWrap) {
    CRxQueue q;
    std::uint8_t out = 0;
    PutMany(q, 0, 3000);
    for (int i = 0; i < 3000; ++i) {
        ASSERT_EQ(q.GetByte(&out), 1);
    }
    PutMany(q, 3000, 3000);
    EXPECT_EQ(q.GetCount(), 3000);
    for (std::uint32_t i = 3000; i < 6000; ++i) {
        ASSERT_EQ(q.GetByte(&out), 1);
        ASSERT_EQ(out, PatternByte(i)) << "byte " << i;
    }
    EXPECT_EQ(q.GetCount(), 0);
}

TEST(RxQueue, CountsWhenHeadHasWrappedBehindTail) {
    CRxQueue q;
    q.m_head.store(5);
    q.m_tail.store(4190);
    EXPECT_EQ(q.GetCount(), 7);
}

TEST(RxQueue, ClearEmptiesIndicesAndStorage) {
    CRxQueue q;
    PutMany(q, 1, 4000);
    std::uint8_t out = 0;
    ASSERT_EQ(q.GetByte(&out), 1);
    q.Clear();
    EXPECT_EQ(q.GetCount(), 0);
    EXPECT_EQ(q.m_head.load(), 0);
    EXPECT_EQ(q.m_tail.load(), 0);
    for (std::uint8_t b : q.m_buffer) {
        ASSERT_EQ(b, 0);
    }
}

// One producer and one consumer at full speed, as the watch thread and the window's thread: every
// byte arrives once, in order. Under ThreadSanitizer this also shows the ordering is sound.
TEST(RxQueue, OneProducerOneConsumerKeepOrderAndCount) {
    constexpr std::uint32_t kBytes = 3'000'000;
    CRxQueue q;
    std::thread producer([&] {
        for (std::uint32_t i = 0; i < kBytes;) {
            if (q.PutByte(PatternByte(i)) == 1) {
                ++i;
            } else {
                std::this_thread::yield();
            }
        }
    });
    std::uint32_t received = 0;
    std::uint32_t misordered = 0;
    while (received < kBytes) {
        // Drained as the window does: the count once, then that many bytes.
        const std::int32_t waiting = q.GetCount();
        if (waiting == 0) {
            std::this_thread::yield();
        }
        for (std::int32_t n = 0; n < waiting; ++n) {
            std::uint8_t out = 0;
            if (q.GetByte(&out) != 1 || out != PatternByte(received)) {
                ++misordered;
            }
            ++received;
        }
    }
    producer.join();
    EXPECT_EQ(misordered, 0u);
    EXPECT_EQ(received, kBytes);
    EXPECT_EQ(q.GetCount(), 0);
}

}  // namespace
