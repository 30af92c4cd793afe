#include "cli/port_session.h"

#include <chrono>
#include <utility>

#include "cli/port_choice.h"
#include "tag/exchange.h"

namespace cli {

PortSession::PortSession() {
    platform::InstallWindowPoster(this);
    // Only compared, never followed: any address that is ours will do.
    g_hMainWnd.store(reinterpret_cast<platform::WindowHandle>(this));
}

PortSession::~PortSession() {
    m_comm.Close();
    g_hMainWnd.store(nullptr);
    platform::InstallWindowPoster(nullptr);
}

std::optional<std::string> PortSession::Open(const PortSettings& settings) {
    m_portName = settings.portName;
    if (m_comm.Open(settings) != 1) {
        return OpenFailureText(settings.portName, m_comm.m_openError);
    }
    return std::nullopt;
}

PortSession::Answer PortSession::Exchange(std::string_view payload) {
    if (DeviceGone()) {
        return Answer{false, {}, true};
    }
    TakeNotifications();
    AppendWaitingBytes(m_comm.m_rxQueue, m_received);
    m_received.clear();
    const tag::ByteWriter write = [this](const void* data, std::int32_t count) {
        return m_comm.WriteComm(data, count);
    };
    const bool sent = tag::Exchange(write, payload, m_comm.m_bConnected.load() != 0,
                                    [this](std::uint32_t ms) { WaitForAnswer(ms); });
    return Answer{sent, std::exchange(m_received, {}), DeviceGone()};
}

bool PortSession::DeviceGone() {
    std::lock_guard lock(m_mutex);
    return m_gone;
}

void PortSession::Post(platform::WindowHandle, std::uint32_t message) {
    {
        std::lock_guard lock(m_mutex);
        if (message == WM_RX_NOTIFY) {
            ++m_notified;
        } else if (message == WM_DEVICE_GONE) {
            m_gone = true;
        } else {
            return;
        }
    }
    m_posted.notify_one();
}

void PortSession::TakeNotifications() {
    std::lock_guard lock(m_mutex);
    m_notified = 0;
}

void PortSession::WaitForAnswer(std::uint32_t ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    // The deadline is tested first: a device that never stops sending keeps posting, and the
    // second must end all the same.
    while (std::chrono::steady_clock::now() < deadline) {
        {
            std::unique_lock lock(m_mutex);
            if (!m_posted.wait_until(lock, deadline, [this] { return m_notified > 0 || m_gone; })) {
                return;  // the second is over; what the thread posts later is not the answer
            }
            if (m_gone && m_notified == 0) {
                return;  // no answer is coming
            }
            m_notified = 0;
        }
        AppendWaitingBytes(m_comm.m_rxQueue, m_received);
    }
}

}  // namespace cli
