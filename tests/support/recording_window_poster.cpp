#include "support/recording_window_poster.h"

namespace testsupport {

RecordingWindowPoster::RecordingWindowPoster() {
    platform::InstallWindowPoster(this);
}
RecordingWindowPoster::~RecordingWindowPoster() {
    platform::InstallWindowPoster(nullptr);
}

void RecordingWindowPoster::Post(platform::WindowHandle window, std::uint32_t message) {
    const auto now = std::chrono::steady_clock::now();
    std::unique_lock lock(m_mutex);
    m_posts.push_back({window, message, now});
    m_changed.notify_all();
    if (m_holding) {
        ++m_held;
        if (m_changed.wait_for(lock, std::chrono::seconds(10), [&] { return m_releases > 0; })) {
            --m_releases;
        }
        --m_held;
        m_changed.notify_all();
    }
}

void RecordingWindowPoster::SetHolding(bool holding) {
    std::lock_guard lock(m_mutex);
    m_holding = holding;
}

void RecordingWindowPoster::Release() {
    {
        std::lock_guard lock(m_mutex);
        if (m_held > m_releases) {
            ++m_releases;
        }
    }
    m_changed.notify_all();
}

bool RecordingWindowPoster::Held() const {
    std::lock_guard lock(m_mutex);
    return m_held > 0;
}

std::vector<RecordingWindowPoster::Record> RecordingWindowPoster::Posts() const {
    std::lock_guard lock(m_mutex);
    return m_posts;
}

std::size_t RecordingWindowPoster::Count() const {
    std::lock_guard lock(m_mutex);
    return m_posts.size();
}

bool RecordingWindowPoster::WaitForCount(std::size_t count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_posts.size() >= count; });
}

platform::WindowHandle FakeWindow() {
    static int anchor;
    return reinterpret_cast<platform::WindowHandle>(&anchor);
}

}  // namespace testsupport
