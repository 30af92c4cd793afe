#include "receive_rig.h"

#include <chrono>
#include <cstdio>
#include <utility>

#include "fuzz_check.h"

namespace fuzz {
namespace {

constexpr const char* kPort = "COM9";
constexpr auto kHandledWithin = std::chrono::seconds(10);

}  // namespace

void CountingPoster::Post(platform::WindowHandle window, std::uint32_t message) {
    Require(window == testsupport::FakeWindow() && message == WM_RX_NOTIFY,
            "the watch thread posts only WM_RX_NOTIFY to the main window");
    RecordingWindowPoster::Post(window, message);
    // After recording, so that whoever sees this count also sees the post.
    m_readsAtLastPost.store(platform::SerialCalls().reads, std::memory_order_release);
}

std::uint64_t CountingPoster::ReadsAtLastPost() const {
    return m_readsAtLastPost.load(std::memory_order_acquire);
}

void CountingMessageBox::ShowFromWorker(const std::string& text, std::function<void()> closed) {
    Require(text == "buff full", "the watch thread's only box while receiving is \"buff full\"");
    m_buffFull.fetch_add(1, std::memory_order_release);
    RecordingMessageBox::ShowFromWorker(text, std::move(closed));
}

std::uint64_t CountingMessageBox::BuffFullCount() const {
    return m_buffFull.load(std::memory_order_acquire);
}

ReceiveRig& ReceiveRig::Instance() {
    static ReceiveRig rig;
    return rig;
}

ReceiveRig::ReceiveRig() {
    g_hMainWnd.store(testsupport::FakeWindow());
    m_pty.LinkAs(kPort);
    m_sent = platform::SerialCalls().bytesRead;
    const bool opened = m_channel.Open(PortSettings{kPort, 57600, 8, 2, 0}) == 1;
    if (!opened) {
        std::fprintf(stderr, "%s\n", m_channel.m_openError.text.c_str());
    }
    Require(opened, "the channel opens on the pseudo-terminal");
}

ReceiveRig::~ReceiveRig() {
    m_channel.Close();
    g_hMainWnd.store(nullptr);
}

void ReceiveRig::Send(std::span<const std::uint8_t> burst) {
    Require(m_pty.WriteAll(burst), "the far side takes every byte");
    m_sent += burst.size();
}

void ReceiveRig::OnRxNotify() {
    // Only the count seen on entry, as the window takes it.
    const std::int32_t count = m_channel.m_rxQueue.GetCount();
    for (std::int32_t i = 0; i < count; ++i) {
        std::uint8_t byte = 0;
        Require(m_channel.m_rxQueue.GetByte(&byte) == 1, "a counted byte can be taken");
        m_received.push_back(byte);
    }
}

void ReceiveRig::HandleNotifications() {
    for (const std::size_t posted = m_poster.Count(); m_handledPosts < posted;) {
        ++m_handledPosts;
        OnRxNotify();
    }
}

bool ReceiveRig::AllHandled() const {
    // In this order: a read is counted before the bytes it returned, and both before the post
    // that follows it.
    const std::uint64_t bytesRead = platform::SerialCalls().bytesRead;
    Require(bytesRead <= m_sent, "the port reads no byte that was not sent");
    if (bytesRead != m_sent) {
        return false;
    }
    const std::uint64_t reads = platform::SerialCalls().reads;
    return m_poster.ReadsAtLastPost() == reads;
}

bool ReceiveRig::WaitHandled(bool responsive) {
    const auto deadline = std::chrono::steady_clock::now() + kHandledWithin;
    for (;;) {
        const std::size_t seen = m_poster.Count();
        if (responsive) {
            HandleNotifications();
        }
        if (AllHandled()) {
            if (responsive) {
                HandleNotifications();
            }
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        m_poster.WaitForCount(seen + 1, std::chrono::milliseconds(1));
    }
}

}  // namespace fuzz
