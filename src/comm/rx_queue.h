#pragma once
// The ring of received bytes between the watch thread (the only producer) and the window's thread
// (the only consumer).
//
// `m_head` is written only by the producer, `m_tail` only by the consumer. Each side loads its own
// index relaxed (nobody else writes it) and the other side's with acquire; it publishes its own
// with release after touching the slot, so the consumer never sees a head that covers a byte not
// yet stored, and the producer never sees a tail that frees a slot not yet read. A stale view of
// the other index only makes the ring look fuller to the producer or emptier to the consumer.
// One slot stays free so that a full ring never looks empty.

#include <atomic>
#include <cstdint>
#include <string>

inline constexpr std::int32_t RX_QUEUE_SIZE = 4192;

class CRxQueue {
  public:
    CRxQueue();

    // Only while neither side is running.
    void Clear();
    std::int32_t GetCount() const;
    // Producer: 1 stored, 0 full (the byte is lost).
    [[nodiscard]] std::int32_t PutByte(std::uint8_t byte);
    // Consumer: 1 taken, 0 empty (out is left alone).
    [[nodiscard]] std::int32_t GetByte(std::uint8_t* out);

    std::uint8_t m_buffer[RX_QUEUE_SIZE];
    std::atomic<std::int32_t> m_head;
    std::atomic<std::int32_t> m_tail;
};

// Consumer: moves the bytes waiting on entry to the end of `text`, one character per byte, zero
// bytes included. Bytes that arrive meanwhile stay for the next call, which the watch thread's
// next notification brings.
void AppendWaitingBytes(CRxQueue& queue, std::string& text);
