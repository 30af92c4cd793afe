#include "comm/comm_channel.h"

#include <algorithm>
#include <system_error>

std::atomic<platform::WindowHandle> g_hMainWnd{nullptr};

namespace {
// How often a waiting write lets the window answer: well below what a person notices.
constexpr std::uint32_t kWriteWaitSliceMs = 20;
}  // namespace

std::uint32_t WriteTimeoutMultiplier(std::uint32_t baudRate) {
    return baudRate == 0 ? 0 : 19200 / baudRate;
}

platform::CommTimeouts WriteTimeouts(std::uint32_t baudRate) {
    // The longest character a line carries: start bit, 8 data bits, parity, 2 stop bits.
    constexpr std::uint32_t kLongestCharacterBits = 12;
    constexpr std::uint32_t kConstantMs = 1000;
    const std::uint32_t wireMs =
        baudRate == 0 ? 0 : (kLongestCharacterBits * 1000 + baudRate - 1) / baudRate;
    return platform::CommTimeouts{std::max(WriteTimeoutMultiplier(baudRate), wireMs), kConstantMs};
}

std::string DescribeDeviceGone(std::string_view portName) {
    return "The device on " + std::string(portName) + " is gone (unplugged or hung up).";
}

CCommChannel::CCommChannel() = default;

// The watch thread holds the channel; it must be gone before the members are.
CCommChannel::~CCommChannel() {
    Close();
}

std::int32_t CCommChannel::Open(PortSettings settings) {
    // A second Open would pull the device from under the running watch thread.
    if (m_bConnected.load() != 0) {
        return 0;
    }
    m_osRead = platform::Overlapped{};
    m_osWrite = platform::Overlapped{};
    m_strPortPath = "\\\\.\\" + settings.portName;

    // As with the Win32 calls, the steps up to the line settings are not checked one by one: on a
    // device that did not open they all fail, and the line settings report it.
    m_openError = m_hComm.Open(m_strPortPath);
    (void)m_hComm.SetEventMask(platform::kEvRxChar);
    (void)m_hComm.SetQueueSizes(RX_QUEUE_SIZE, RX_QUEUE_SIZE);
    (void)m_hComm.Purge();
    (void)m_hComm.SetTimeouts(WriteTimeouts(settings.baudRate));
    platform::LineSettings line;
    (void)m_hComm.GetLineSettings(line);
    line.baudRate = settings.baudRate;
    line.byteSize = settings.byteSize;
    line.parity = settings.parity;
    line.stopBits = settings.stopBits;
    if (platform::SerialError refused = m_hComm.SetLineSettings(line); refused.Failed()) {
        if (!m_openError.Failed()) {
            m_openError = std::move(refused);
        }
        m_hComm.Close();  // else the device stays held and no later Open can have it
        return 0;
    }

    m_bConnected.store(1);
    ++m_nOpens;
    m_nWatchExitCode.store(-1);
    try {
        m_hWatchThread = std::jthread([this](std::stop_token stop) {
            m_nWatchExitCode.store(ThreadWatchComm(*this, std::move(stop)));
        });
    } catch (const std::system_error& e) {
        // The code is the C library's, not the OS's port error number that MapOsError reads (on
        // Windows it is no GetLastError code at all), and it never means the port is busy.
        m_openError = platform::SerialError{platform::SerialErrorKind::Other, e.code().value(),
                                            "start the watch thread: " + e.code().message()};
        Close();
        return 0;
    }
    return 1;
}

void CCommChannel::Close() {
    m_bConnected.store(0);
    // The stop request ends a drain that a far side never lets run dry; the mask change ends
    // the wait. Both after the flag, so that the woken thread finds 0.
    m_hWatchThread.request_stop();
    // A device that is gone fails both; the port is closed all the same.
    (void)m_hComm.SetEventMask(0);
    (void)m_hComm.Purge();
    if (m_hWatchThread.joinable()) {
        m_hWatchThread.join();
    }
    m_hWatchThread = std::jthread{};
    m_hComm.Close();
}

std::int32_t CCommChannel::WriteComm(const void* data, std::int32_t count) {
    if (m_bConnected.load() == 0 || count <= 0) {
        return 0;
    }
    platform::IoResult result = m_hComm.Write(data, static_cast<std::uint32_t>(count), m_osWrite);
    if (!m_onWriteWait) {
        return FinishTransfer(result, m_osWrite);
    }
    const std::uint32_t opens = m_nOpens;
    while (result.status == platform::IoStatus::Pending) {
        result = m_hComm.GetOverlappedResult(m_osWrite, kWriteWaitSliceMs);
        if (result.status == platform::IoStatus::Pending) {
            m_onWriteWait();
            if (m_bConnected.load() == 0 || m_nOpens != opens) {
                return static_cast<std::int32_t>(m_osWrite.done);
            }
        }
    }
    return FinishTransfer(result, m_osWrite);
}

std::int32_t CCommChannel::ReadComm(void* buffer, std::int32_t size) {
    std::uint32_t waiting = 0;
    // A failed query leaves nothing waiting, so nothing is read; the device's loss is DeviceGone's.
    (void)m_hComm.ClearError(waiting);
    if (waiting == 0 || size <= 0) {
        return 0;
    }
    return FinishTransfer(m_hComm.Read(buffer, static_cast<std::uint32_t>(size), m_osRead),
                          m_osRead);
}

std::int32_t CCommChannel::FinishTransfer(platform::IoResult result, platform::Overlapped& record) {
    if (result.status == platform::IoStatus::Pending) {
        result = m_hComm.GetOverlappedResult(record, platform::kWaitForever);
    }
    if (result.status == platform::IoStatus::Failed) {
        std::uint32_t ignored = 0;
        // Only to clear the device's error state: the transfer has failed whatever this says.
        (void)m_hComm.ClearError(ignored);
    }
    return static_cast<std::int32_t>(result.bytes);
}
