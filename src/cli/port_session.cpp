#include "cli/port_session.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "cli/port_choice.h"
#include "tag/answers.h"
#include "tag/commands.h"

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

platform::Result<void> PortSession::Open(const PortSettings& settings) {
    m_portName = settings.portName;
    if (m_comm.Open(settings) != 1) {
        return platform::Failure(OpenFailureText(settings.portName, m_comm.m_openError));
    }
    return {};
}

PortSession::Answer PortSession::Exchange(std::string_view payload, Wait wait) {
    if (DeviceGone()) {
        return Answer{false, {}, true, {}};
    }
    TakeNotifications();
    AppendWaitingBytes(m_comm.m_rxQueue, m_received);
    const bool quick = m_quickGap && !wait.fullSecond;
    // The last answer's closing silence has already been the gap, unless something came since.
    if (!(quick && m_endedQuiet && m_received.empty())) {
        AwaitQuiet(std::chrono::milliseconds(tag::kQuietGapMs));
    }
    m_endedQuiet = false;
    std::string late = std::exchange(m_received, {});
    if (DeviceGone()) {
        return Answer{false, {}, true, std::move(late)};
    }
    const tag::ByteWriter write = [this](const void* data, std::int32_t count) {
        return m_comm.WriteComm(data, count);
    };
    const bool sent = tag::Exchange(
        [&](std::string_view frame) { return tag::SendFrame(write, frame); }, payload,
        m_comm.m_bConnected.load() != 0,
        [&](std::uint32_t ms) {
            AwaitAnswer(std::chrono::milliseconds(ms), payload == tag::kReadPayload, wait);
        });
    return Answer{sent, std::exchange(m_received, {}), DeviceGone(), std::move(late)};
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

bool PortSession::AwaitArrival(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(m_mutex);
    if (!m_posted.wait_until(lock, deadline, [this] { return m_notified > 0 || m_gone; })) {
        return false;  // over; what the thread posts later is not for this wait
    }
    if (m_gone && m_notified == 0) {
        return false;  // nothing more is coming
    }
    m_notified = 0;
    return true;
}

void PortSession::AwaitAnswer(std::chrono::milliseconds most, bool read, Wait wait) {
    using Clock = std::chrono::steady_clock;
    const bool quick = m_quickGap && !wait.fullSecond;
    const auto start = Clock::now();
    const auto end = start + most;
    std::optional<Clock::time_point> lastByte;
    bool whole = false;  // nothing that comes can change the verdict: only the closing gap is due
    for (;;) {
        const auto deadline = !lastByte        ? start + std::min(wait.silence, most)
                              : quick && whole ? std::min(*lastByte + *m_quickGap, end)
                                               : end;
        if (Clock::now() >= deadline || !AwaitArrival(deadline)) {
            m_endedQuiet = quick && whole && *lastByte + *m_quickGap <= end;
            return;
        }
        const std::size_t before = m_received.size();
        AppendWaitingBytes(m_comm.m_rxQueue, m_received);
        if (m_received.size() != before) {
            lastByte = Clock::now();
            whole = read || tag::JudgeWriteAnswer(m_received) != tag::WriteAnswerProgress::Partial;
        }
    }
}

void PortSession::AwaitQuiet(std::chrono::milliseconds span) {
    const auto start = std::chrono::steady_clock::now();
    const auto most = start + std::chrono::milliseconds(tag::kAnswerWaitMs);
    auto deadline = start + span;
    // The deadline is tested first: a device that never stops sending keeps posting, and the
    // wait must end all the same.
    while (std::chrono::steady_clock::now() < deadline) {
        if (!AwaitArrival(deadline)) {
            return;
        }
        const std::size_t before = m_received.size();
        AppendWaitingBytes(m_comm.m_rxQueue, m_received);
        if (m_received.size() != before) {
            deadline = std::min(std::chrono::steady_clock::now() + span, most);
        }
    }
}

}  // namespace cli
