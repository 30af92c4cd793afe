#pragma once
// Stands in for the window: records every posted message with the time it was posted.
// Installs itself for its lifetime. Thread-safe: the watch thread posts, the test reads.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/window_post.h"

namespace testsupport {

class RecordingWindowPoster : public platform::WindowPoster {
  public:
    struct Record {
        platform::WindowHandle window;
        std::uint32_t message;
        std::chrono::steady_clock::time_point when;
    };

    RecordingWindowPoster();
    ~RecordingWindowPoster() override;

    void Post(platform::WindowHandle window, std::uint32_t message) override;

    std::vector<Record> Posts() const;
    std::size_t Count() const;
    // True when at least `count` posts have arrived within the timeout.
    bool WaitForCount(std::size_t count, std::chrono::milliseconds timeout);

  private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Record> m_posts;
};

// A window handle that stands for no real window; only compared, never followed.
platform::WindowHandle FakeWindow();

}  // namespace testsupport
