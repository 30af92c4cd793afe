#pragma once
// The serial device behind a COM port: the effects of the Win32 communications calls that the
// channel is written against, behind one interface with one backend file per platform.
//
// Threads: one thread opens, configures, writes to and closes a port. While it is open one other
// thread may wait for events, query the input queue and read; the two share the event mask (an
// atomic) and the end-of-input mark (an atomic), nothing else. Close only after the waiting
// thread has ended: the wait polls the descriptor, and a descriptor closed under a poll can be
// reused by an unrelated file before the poll returns.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/serial_error.h"

namespace platform {

// The one event the channel waits for (EV_RXCHAR): a character was received.
inline constexpr std::uint32_t kEvRxChar = 0x0001;

// Line settings as the Win32 DCB codes them.
struct LineSettings {
    std::uint32_t baudRate = 0;
    std::uint8_t byteSize = 8;  // 5..8
    std::uint8_t parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
    std::uint8_t stopBits = 0;  // 0 one, 1 one and a half (5 data bits only), 2 two
};

// Reads always return at once with what the driver holds, possibly nothing; only writes have a
// limit: multiplier milliseconds per byte plus the constant, both 0 meaning no limit.
struct CommTimeouts {
    std::uint32_t writeTotalMultiplier = 0;
    std::uint32_t writeTotalConstant = 0;
};

// A wait without a limit of its own (a write's time-out still ends it).
inline constexpr std::uint32_t kWaitForever = 0xFFFFFFFF;

// The record of one transfer that may still be in flight. Each thread keeps its own, so a read and
// a write can be under way at the same time without sharing one.
struct Overlapped {
    const std::uint8_t* next = nullptr;  // what is left of a write that could not finish at once
    std::uint32_t left = 0;
    std::uint32_t done = 0;
    std::optional<std::chrono::steady_clock::time_point> deadline;
};

enum class IoStatus {
    Done,     // `bytes` were transferred
    Pending,  // still going on: GetOverlappedResult finishes it
    Failed,   // `error` says why; `bytes` went through before it
};

struct IoResult {
    IoStatus status = IoStatus::Done;
    std::uint32_t bytes = 0;
    SerialError error;
};

// Per-process counts of the system calls the backend makes on ports, for tests and benchmarks.
struct SerialCallCounts {
    std::uint64_t total = 0;         // every call, whatever it was
    std::uint64_t reads = 0;         // reads from a device
    std::uint64_t writes = 0;        // writes to a device
    std::uint64_t queueQueries = 0;  // asks for the number of bytes waiting
    std::uint64_t waitWakeups = 0;   // returns from the blocking call inside WaitEvent
    std::uint64_t bytesRead = 0;     // bytes those reads returned
};
SerialCallCounts SerialCalls();

class SerialPort {
  public:
    SerialPort();
    ~SerialPort();  // closes
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    bool IsOpen() const { return m_device != nullptr; }

    // Opens a Win32 device path ("\\.\COM3") for exclusive use: nobody else, this process
    // included, can open the device until Close. A port that is open is closed first.
    [[nodiscard]] SerialError Open(std::string_view devicePath);
    // Releases the device and everything Open took. No other thread may be inside a call.
    void Close();

    // Selects the events WaitEvent waits for; a wait under way returns with no events.
    [[nodiscard]] SerialError SetEventMask(std::uint32_t mask);
    // Requests driver queue sizes; advisory.
    [[nodiscard]] SerialError SetQueueSizes(std::uint32_t input, std::uint32_t output);
    // Empties both driver queues, dropping what was not yet sent or read.
    [[nodiscard]] SerialError Purge();
    [[nodiscard]] SerialError SetTimeouts(const CommTimeouts& timeouts);
    [[nodiscard]] SerialError GetLineSettings(LineSettings& settings);
    // Applies the four settings and makes the line raw binary with the receiver on, as a Win32
    // port always is; everything else (flow control among it) stays as found.
    [[nodiscard]] SerialError SetLineSettings(const LineSettings& settings);

    // Blocks until an event of the mask happens (events holds it) or the mask is changed (events
    // 0). The wait that finds the device vanished returns with no events and an I/O error; from
    // then on it reports no more events and waits only for a mask change. When a call on another
    // thread finds the device gone, a wait under way ends with no events and the next says so.
    [[nodiscard]] SerialError WaitEvent(std::uint32_t& events);
    // True once the device has vanished under the open port (unplugged, hung up), as the first
    // call on it that fails so finds. Any thread.
    bool DeviceGone() const;

    // Takes at most `size` bytes that are already there, never waiting; Done with 0 when none.
    [[nodiscard]] IoResult Read(void* buffer, std::uint32_t size, Overlapped& record);
    // Starts a write; Pending when the device could not take all of it at once.
    [[nodiscard]] IoResult Write(const void* data, std::uint32_t count, Overlapped& record);
    // Waits up to `waitMs` for a pending transfer of `record` to finish (or its time limit to
    // pass) and reports all bytes it moved; Pending when it is still going on after `waitMs`.
    [[nodiscard]] IoResult GetOverlappedResult(Overlapped& record, std::uint32_t waitMs);
    // Clears the device's error state and tells how many bytes wait in its input queue.
    [[nodiscard]] SerialError ClearError(std::uint32_t& inputQueue);

  private:
    struct Device;  // the backend's own state
    std::unique_ptr<Device> m_device;
};

}  // namespace platform
