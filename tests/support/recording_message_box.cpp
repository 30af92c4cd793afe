#include "support/recording_message_box.h"

namespace testsupport {

RecordingMessageBox::RecordingMessageBox() {
    platform::InstallMessageBox(this);
}
RecordingMessageBox::~RecordingMessageBox() {
    platform::InstallMessageBox(nullptr);
}

void RecordingMessageBox::Show(const std::string& text) {
    {
        std::lock_guard lock(m_mutex);
        m_texts.push_back(text);
    }
    m_changed.notify_all();
}

void RecordingMessageBox::ShowFromWorker(const std::string& text, std::function<void()> closed) {
    if (!closed) {
        closed = [] {};
    }
    bool held = false;
    {
        std::lock_guard lock(m_mutex);
        m_texts.push_back(text);
        held = m_holding;
        if (held) {
            m_up.push_back(closed);
        }
    }
    m_changed.notify_all();
    if (!held) {  // the operator answers at once
        closed();
    }
}

void RecordingMessageBox::SetHolding(bool holding) {
    std::lock_guard lock(m_mutex);
    m_holding = holding;
}

void RecordingMessageBox::Release() {
    std::function<void()> closed;
    {
        std::lock_guard lock(m_mutex);
        if (m_up.empty()) {
            return;
        }
        closed = std::move(m_up.front());
        m_up.pop_front();
    }
    closed();
}

std::size_t RecordingMessageBox::BoxesUp() const {
    std::lock_guard lock(m_mutex);
    return m_up.size();
}

std::vector<std::string> RecordingMessageBox::Texts() const {
    std::lock_guard lock(m_mutex);
    return m_texts;
}

bool RecordingMessageBox::WaitForCount(std::size_t count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_texts.size() >= count; });
}

}  // namespace testsupport
