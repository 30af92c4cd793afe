#include "comm/rx_queue.h"

#include <algorithm>

namespace {
std::int32_t Waiting(std::int32_t head, std::int32_t tail) {
    return (head - tail + RX_QUEUE_SIZE) % RX_QUEUE_SIZE;
}
std::int32_t Next(std::int32_t index) {
    return (index + 1) % RX_QUEUE_SIZE;
}
}  // namespace

CRxQueue::CRxQueue() {
    Clear();
}

void CRxQueue::Clear() {
    m_head.store(0, std::memory_order_relaxed);
    m_tail.store(0, std::memory_order_relaxed);
    std::fill(std::begin(m_buffer), std::end(m_buffer), std::uint8_t{0});
}

// Either side may ask; each then sees its own index exactly and the other's as last published.
std::int32_t CRxQueue::GetCount() const {
    return Waiting(m_head.load(std::memory_order_acquire), m_tail.load(std::memory_order_acquire));
}

std::int32_t CRxQueue::PutByte(std::uint8_t byte) {
    const std::int32_t head = m_head.load(std::memory_order_relaxed);
    if (Waiting(head, m_tail.load(std::memory_order_acquire)) == RX_QUEUE_SIZE - 1) {
        return 0;
    }
    m_buffer[head] = byte;
    m_head.store(Next(head), std::memory_order_release);
    return 1;
}

std::int32_t CRxQueue::GetByte(std::uint8_t* out) {
    const std::int32_t tail = m_tail.load(std::memory_order_relaxed);
    if (Waiting(m_head.load(std::memory_order_acquire), tail) == 0) {
        return 0;
    }
    *out = m_buffer[tail];
    m_tail.store(Next(tail), std::memory_order_release);
    return 1;
}

void AppendWaitingBytes(CRxQueue& queue, std::string& text) {
    const std::int32_t count = queue.GetCount();
    for (std::int32_t i = 0; i < count; ++i) {
        std::uint8_t byte = 0;
        (void)queue.GetByte(&byte);  // counted on entry, and only this side takes: it is there
        text.push_back(static_cast<char>(byte));
    }
}
