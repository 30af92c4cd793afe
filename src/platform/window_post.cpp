#include "platform/window_post.h"

#include <atomic>

namespace platform {
namespace {
std::atomic<WindowPoster*> g_poster{nullptr};
}

void InstallWindowPoster(WindowPoster* poster) {
    g_poster.store(poster, std::memory_order_release);
}

void PostWindowMessage(WindowHandle window, std::uint32_t message) {
    WindowPoster* poster = g_poster.load(std::memory_order_acquire);
    if (poster != nullptr && window != nullptr) {
        poster->Post(window, message);
    }
}

}  // namespace platform
