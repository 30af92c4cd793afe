#pragma once
// Posting a message to a window from any thread.
//
// The watch thread may never touch a GUI object; it only queues a message number for the thread
// that owns the window and returns at once. The window backend installs the poster before any
// port can be opened and removes it after the last port is closed.

#include <cstdint>

namespace platform {

struct Window;  // opaque: only the window backend knows what stands behind a handle
using WindowHandle = Window*;

inline constexpr std::uint32_t kWmUser = 0x0400;
// The session ends or the program is told to quit from outside: each window hears it on the
// window's thread just before the message loops end, and lets go of what it holds.
inline constexpr std::uint32_t WM_ENDSESSION = 0x0016;

class WindowPoster {
  public:
    virtual ~WindowPoster() = default;
    // Thread-safe, never waits. A post to a window that no longer exists is dropped.
    virtual void Post(WindowHandle window, std::uint32_t message) = 0;
};

// Not thread-safe against concurrent posts: install before the first port opens.
void InstallWindowPoster(WindowPoster* poster);
// Dropped when no poster is installed or the handle is null.
void PostWindowMessage(WindowHandle window, std::uint32_t message);

}  // namespace platform
