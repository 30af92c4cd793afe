#pragma once
// The one serial channel: opens a COM port, writes to it, and runs the watch thread that moves
// received bytes into `m_rxQueue` and tells the window.
//
// Threads: the window's thread calls Open, Close and WriteComm and owns `m_osWrite`; the watch
// thread calls ReadComm and owns `m_osRead`. A write that waits runs `m_onWriteWait` between
// polls, which may call Close (and even Open) on the same thread; the write then gives up
// without touching the device again. `m_hComm` is opened and closed only while no watch
// thread runs, so the watch thread may use it freely in between. `m_bConnected` is written by the
// window's thread and read by the watch thread: Open sets it before the thread starts, Close
// clears it before waking the thread, so the woken thread finds 0. Close joins the thread before
// it closes the device, so there is never more than one watch thread and never a poll on a
// closed descriptor.

#include <atomic>
#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>

#include "comm/rx_queue.h"
#include "platform/serial_device.h"
#include "platform/window_post.h"

inline constexpr std::uint32_t WM_RX_NOTIFY = platform::kWmUser + 1;
// Posted once by the watch thread when the device vanishes under the open port.
inline constexpr std::uint32_t WM_DEVICE_GONE = platform::kWmUser + 2;

// What the operator is told when WM_DEVICE_GONE comes: "The device on COM7 is gone (…)."
std::string DescribeDeviceGone(std::string_view portName);

// The window that hears WM_RX_NOTIFY and WM_DEVICE_GONE; set once before the first port opens.
extern std::atomic<platform::WindowHandle> g_hMainWnd;

struct PortSettings {
    std::string portName;  // "COM3"
    std::uint32_t baudRate;
    std::uint8_t byteSize;
    std::uint8_t stopBits;  // 0 one, 1 one and a half, 2 two
    std::uint8_t parity;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
};

// Milliseconds per byte that a write may take at this speed, on top of the constant below.
std::uint32_t WriteTimeoutMultiplier(std::uint32_t baudRate);
// The time limit of a write: milliseconds per byte (never less than a byte's time on the wire,
// which the multiplier above rounds down to 0 at the usual speeds) and a constant second on top.
// Without a limit a device that stops taking bytes (flow control held, a full line) would hold
// the writer for good.
platform::CommTimeouts WriteTimeouts(std::uint32_t baudRate);

class CCommChannel {
  public:
    CCommChannel();
    ~CCommChannel();  // closes an open port first
    CCommChannel(const CCommChannel&) = delete;
    CCommChannel& operator=(const CCommChannel&) = delete;

    // 1 when the port is open, configured and watched; 0 when not (m_openError says why).
    [[nodiscard]] std::int32_t Open(PortSettings settings);
    // Returns after the watch thread has ended.
    void Close();
    // Bytes written; fewer than count when the write's time ran out or the port was closed
    // while it waited.
    [[nodiscard]] std::int32_t WriteComm(const void* data, std::int32_t count);
    [[nodiscard]] std::int32_t ReadComm(void* buffer, std::int32_t size);

    // Written by the window's thread. The watch thread reads the device and the flag while it runs.
    platform::SerialPort m_hComm;
    std::string m_strPortPath;
    std::atomic<std::int32_t> m_bConnected{0};
    platform::Overlapped m_osWrite;
    std::jthread m_hWatchThread;
    // Why the last Open failed.
    platform::SerialError m_openError;
    // Called on the writing thread every few milliseconds while a write waits for the device to
    // take its bytes, so that a window can go on answering; whatever it runs may close the port.
    std::function<void()> m_onWriteWait;

    // Written by the watch thread (Open resets both before it starts one).
    platform::Overlapped m_osRead;
    // 1 after a normal end, 0 after a failed start-up; -1 while no thread has ended since Open.
    std::atomic<std::int32_t> m_nWatchExitCode{-1};

    // Filled by the watch thread, emptied by the window's: one producer, one consumer.
    CRxQueue m_rxQueue;

  private:
    // Counts successful Opens, so that a write can tell that the port it started on is gone.
    // Window's thread.
    std::uint32_t m_nOpens = 0;
    std::int32_t FinishTransfer(platform::IoResult result, platform::Overlapped& record);
};

// The watch thread's body; returns its exit code.
std::int32_t ThreadWatchComm(CCommChannel& channel, std::stop_token stop);
