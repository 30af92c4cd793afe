#pragma once
// The window backend's side of the platform services: posting to a window (window_post.h) and
// message boxes (message_box.h), installed for as long as this object lives. Create it on the
// window's thread once the window system is set up.

namespace platform {

class WindowServices {
  public:
    WindowServices();
    ~WindowServices();
    WindowServices(const WindowServices&) = delete;
    WindowServices& operator=(const WindowServices&) = delete;
};

}  // namespace platform
