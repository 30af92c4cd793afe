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

void RecordingMessageBox::ShowFromWorker(const std::string& text, std::stop_token stop) {
    std::unique_lock lock(m_mutex);
    m_texts.push_back(text);
    if (m_holding) {
        ++m_held;
        m_changed.notify_all();
        if (m_changed.wait(lock, stop, [&] { return m_releases > 0; })) {
            --m_releases;
        }
        --m_held;
    }
    lock.unlock();
    m_changed.notify_all();
}

void RecordingMessageBox::SetHolding(bool holding) {
    std::lock_guard lock(m_mutex);
    m_holding = holding;
}

void RecordingMessageBox::Release() {
    {
        std::lock_guard lock(m_mutex);
        ++m_releases;
    }
    m_changed.notify_all();
}

std::vector<std::string> RecordingMessageBox::Texts() const {
    std::lock_guard lock(m_mutex);
    return m_texts;
}

bool RecordingMessageBox::WaitForCount(std::size_t count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_texts.size() >= count; });
}

bool RecordingMessageBox::WorkerHeld() const {
    std::lock_guard lock(m_mutex);
    return m_held > 0;
}

}  // namespace testsupport
