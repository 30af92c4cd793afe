#pragma once
// Stands in for the window: records every posted message with the time it was posted.
// Installs itself for its lifetime. Thread-safe: the watch thread posts, the test reads.
// While holding, a post keeps the posting thread waiting until the test releases it, so that a
// test can let bytes pile up in the port before the watch thread reads again (at most ten
// seconds, so that a test that forgets cannot hang the run).

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

    void SetHolding(bool holding);
    // Lets one held post return; nothing when none is held.
    void Release();
    // True when a thread waits inside a post.
    bool Held() const;

  private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Record> m_posts;
    bool m_holding = false;
    std::size_t m_releases = 0;
    std::size_t m_held = 0;
};

// A window handle that stands for no real window; only compared, never followed.
platform::WindowHandle FakeWindow();

}  // namespace testsupport
