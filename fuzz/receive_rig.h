#pragma once
// A channel opened once per process on a pseudo-terminal (the device map in a temporary folder),
// with the window and the operator's boxes recorded, and a consumer that empties the queue as
// the window's OnRxNotify does.
//
// Threads: the fuzzing thread writes the far side, plays the window (handles each WM_RX_NOTIFY
// by draining m_rxQueue) and owns `m_received`, `m_handledPosts` and `m_sent`; the channel's
// watch thread reads the port, fills the queue, posts and shows "buff full". They meet only in
// the queue, the port's call counts and the recorders, which lock or use atomics.
//
// When has every byte sent been handled? Once the watch thread has read as many bytes as were
// sent and has posted after its last read, for it posts only after it has queued or dropped what
// it read; the poster notes the read count as it posts. The port's count of waiting bytes cannot
// tell: a pseudo-terminal hands a master's write to the slave through a kernel work item, and
// bytes beyond what the slave's buffer holds can sit there for a while, seen by no count or poll.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "comm/comm_channel.h"
#include "simreader/pseudo_terminal.h"
#include "support/recording_message_box.h"
#include "support/recording_window_poster.h"
#include "support/temp_config_home.h"

namespace fuzz {

class CountingPoster : public testsupport::RecordingWindowPoster {
  public:
    void Post(platform::WindowHandle window, std::uint32_t message) override;
    std::uint64_t ReadsAtLastPost() const;

  private:
    std::atomic<std::uint64_t> m_readsAtLastPost{0};
};

class CountingMessageBox : public testsupport::RecordingMessageBox {
  public:
    void ShowFromWorker(const std::string& text, std::function<void()> closed) override;
    std::uint64_t BuffFullCount() const;

  private:
    std::atomic<std::uint64_t> m_buffFull{0};
};

class ReceiveRig {
  public:
    // Opened on first use, closed at process exit.
    static ReceiveRig& Instance();
    ~ReceiveRig();

    void Send(std::span<const std::uint8_t> burst);
    // Waits until every byte sent has been queued or dropped; while `responsive`, handles each
    // WM_RX_NOTIFY as it comes. False when that takes longer than a generous bound.
    bool WaitHandled(bool responsive);
    // Handles the notifications not yet handled, as the window does once it is free again.
    void HandleNotifications();

    std::int32_t Queued() const { return m_channel.m_rxQueue.GetCount(); }
    std::uint64_t BuffFullCount() const { return m_boxes.BuffFullCount(); }
    // What the window has taken from the queue, in order.
    const std::vector<std::uint8_t>& Received() const { return m_received; }
    void ClearReceived() { m_received.clear(); }

  private:
    ReceiveRig();
    void OnRxNotify();
    bool AllHandled() const;

    testsupport::TempConfigHome m_config;
    CountingPoster m_poster;
    CountingMessageBox m_boxes;
    sim::PseudoTerminal m_pty;
    CCommChannel m_channel;
    std::size_t m_handledPosts = 0;
    // The port's count of bytes read as it stood at opening, plus every byte sent since.
    std::uint64_t m_sent = 0;
    std::vector<std::uint8_t> m_received;
};

}  // namespace fuzz
