#pragma once
// The tag reader/writer, played on the far side of a pseudo-terminal.
//
// Threads: the owner (any thread, usually a test) constructs, scripts, reads the records and
// destroys; one serving thread, started by the constructor and joined by the destructor, does
// every read and write on the terminal.
// - m_tag, m_tagPresent, m_scripts, m_unsolicited: written by the owner (setters, Script, Send) and
// by the
//   serving thread (commands, taking the next script or the bytes to send), always under m_mutex.
// - m_frames, m_received, m_hungUp, m_lineFull: written by the serving thread alone, under m_mutex,
//   with m_changed notified after each change; the owner reads (and forgets) them under m_mutex.
// - m_terminal, m_timer, m_splitter, m_output, m_written, m_waitingForRoom, m_hangUpFrom: the
//   serving thread's alone once it runs. The terminal's device path and link are fixed before the
//   thread starts and are read from any thread.
// - m_stop, m_hangUpRequested, m_deaf: set by the owner before it signals m_wake; the serving
// thread
//   reads them after it has drained m_wake (release/acquire through the atomics).
// - m_wakeups: counted by the serving thread, read by anyone (relaxed: a statistic).

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/linux/unique_fd.h"
#include "simreader/frame_splitter.h"
#include "simreader/pseudo_terminal.h"
#include "simreader/reply.h"
#include "simreader/tag_device.h"

namespace sim {

class SimTagReader {
  public:
    struct Options {
        std::string portName;  // "COMn" to link in the device map; empty: no link
        TagState tag;          // the tag on the reader at start
        // Called on the serving thread for every frame with the bytes of the frame and of the
        // reply planned for it (empty for silence). It must not call HangUp, which waits for
        // that thread.
        std::function<void(std::string_view frame, std::string_view reply)> log;
        bool tagPresent = true;  // false: the reader starts empty
    };

    struct Frame {
        std::string bytes;                              // with its 0x01 and 0x04
        std::chrono::steady_clock::time_point arrived;  // when its 0x04 was read
    };

    // Throws std::system_error or std::filesystem::filesystem_error when the terminal, its link or
    // the serving thread cannot be set up; nothing is left behind then.
    explicit SimTagReader(Options options);
    SimTagReader();
    ~SimTagReader();
    SimTagReader(const SimTagReader&) = delete;
    SimTagReader& operator=(const SimTagReader&) = delete;

    const std::string& DevicePath() const { return m_terminal.DevicePath(); }
    const std::filesystem::path& Link() const { return m_terminal.Link(); }

    // Queues how the next frame not yet scripted is answered; unscripted frames get the device's
    // own answer.
    void Script(Reply reply);
    // Bytes the device sends of its own accord (chatter), behind whatever it is sending already;
    // Flood sends `count` bytes of FloodBytes so, which it makes as they go out (a flood of
    // megabytes costs no memory). Nothing goes out once it has hung up.
    void Send(std::string bytes);
    void Flood(std::size_t count);

    // The tag on the reader, or the last one taken off it.
    TagState Tag() const;
    // Places `tag` on the reader (taking off the one there).
    void SetTag(TagState tag);
    // Takes the tag off: until one is placed the reader answers no frame, and a command changes
    // nothing.
    void RemoveTag();

    std::vector<Frame> Frames() const;
    // Every byte received, frames and noise, in arrival order.
    std::string Received() const;
    // True once at least `count` frames have arrived; false when `timeout` passed first.
    bool WaitForFrames(std::size_t count, std::chrono::milliseconds timeout) const;
    // Empties both records, so that a long run does not keep every frame and byte it received.
    void ForgetRecords();

    // A device that takes no more bytes (flow control held, a full line): while deaf, nothing is
    // read from the terminal, whose buffer is full when this returns, so the program's writes
    // wait. Listening again, the reader takes the filler as noise.
    void SetDeaf(bool deaf);

    // Pulls the plug now: both ends of the terminal close and the program sees a hang-up.
    // Returns when that is done.
    void HangUp();
    bool IsHungUp() const;

    // How often the serving thread has come out of its wait; flat while nothing happens.
    std::uint64_t Wakeups() const { return m_wakeups.load(std::memory_order_relaxed); }

  private:
    void Serve();
    void Signal();
    void ReadAvailable();
    void TakeUnsolicited();
    void FollowDeafness();
    void Answer(const std::string& frame, std::chrono::steady_clock::time_point arrived);
    void WriteDue();
    void HangUpOnceRead();
    void DoHangUp();
    // Sets m_timer to the next moment the serving thread has something to do, if any.
    void ArmTimer();

    PseudoTerminal m_terminal;
    platform::UniqueFd m_wake;
    platform::UniqueFd m_timer;
    std::function<void(std::string_view, std::string_view)> m_log;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    TagState m_tag;
    bool m_tagPresent = true;
    std::deque<Reply> m_scripts;
    std::vector<Piece> m_unsolicited;  // their due times are set when they are taken
    std::vector<Frame> m_frames;
    std::string m_received;
    bool m_hungUp = false;
    bool m_lineFull = false;  // the serving thread's answer to m_deaf

    FrameSplitter m_splitter;
    std::deque<Piece> m_output;
    std::size_t m_written = 0;  // bytes of m_output.front() already on the wire
    bool m_waitingForRoom = false;
    // A scripted hang-up waits until the program has read what went out before it, as it would
    // have from a real device: the kernel throws away what is unread at a hang-up.
    std::optional<std::chrono::steady_clock::time_point> m_hangUpFrom;

    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_hangUpRequested{false};
    std::atomic<bool> m_deaf{false};
    std::atomic<std::uint64_t> m_wakeups{0};
    std::thread m_thread;  // last: starts after everything it uses exists
};

}  // namespace sim
