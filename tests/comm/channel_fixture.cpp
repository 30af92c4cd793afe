#include "channel_fixture.h"

#include <unistd.h>

#include <algorithm>

#include "support/wait_until.h"

namespace commtest {

std::vector<std::uint8_t> Pattern(std::size_t count, std::uint32_t seed) {
    std::vector<std::uint8_t> bytes(count);
    std::uint32_t x = seed * 2654435761u + 1;
    for (std::uint8_t& b : bytes) {
        x = x * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(x >> 16);
    }
    return bytes;
}

ChannelTest::ChannelTest() {
    g_hMainWnd.store(testsupport::FakeWindow());
    m_pty.LinkAs(kPort);
}

ChannelTest::~ChannelTest() {
    m_channel.Close();
    g_hMainWnd.store(nullptr);
}

std::int32_t ChannelTest::OpenPort(std::uint32_t baud, std::uint8_t byteSize, std::uint8_t stopBits,
                                   std::uint8_t parity) {
    return m_channel.Open(PortSettings{kPort, baud, byteSize, stopBits, parity});
}

bool ChannelTest::QueueReaches(std::int32_t count) {
    return testsupport::WaitUntil([&] { return m_channel.m_rxQueue.GetCount() >= count; });
}

std::vector<std::uint8_t> ChannelTest::Take(std::int32_t count) {
    const std::int32_t n = count < 0 ? m_channel.m_rxQueue.GetCount() : count;
    std::vector<std::uint8_t> bytes;
    for (std::int32_t i = 0; i < n; ++i) {
        std::uint8_t b = 0;
        if (m_channel.m_rxQueue.GetByte(&b) == 1) {
            bytes.push_back(b);
        }
    }
    return bytes;
}

void ChannelTest::HoldWatchThreadInPost() {
    m_poster.SetHolding(true);
    ASSERT_TRUE(m_pty.WriteAll(Pattern(RX_QUEUE_SIZE - 1, 99)));
    // The pattern may come in more than one receive event: let the thread on until it is full.
    ASSERT_TRUE(testsupport::WaitUntil([&] {
        if (m_channel.m_rxQueue.GetCount() == RX_QUEUE_SIZE - 1) {
            return m_poster.Held();
        }
        m_poster.Release();
        return false;
    }));
}

void ChannelTest::LetWatchThreadGo() {
    m_poster.SetHolding(false);
    m_poster.Release();
}

bool ChannelTest::InputLands(std::size_t count) {
    return testsupport::WaitUntil([&] { return m_pty.UnreadInput() == count; });
}

std::vector<std::uint8_t> ChannelTest::ReadFarSide(std::size_t count) {
    std::vector<std::uint8_t> wire;
    testsupport::WaitUntil([&] {
        std::uint8_t chunk[4096];
        const ssize_t n =
            ::read(m_pty.MasterFd(), chunk, std::min(sizeof chunk, count - wire.size()));
        if (n > 0) {
            wire.insert(wire.end(), chunk, chunk + n);
        }
        return wire.size() >= count;
    });
    return wire;
}

}  // namespace commtest
