#pragma once
// The window system's side of the platform services on Win32: posting to a window, message boxes.
//
// A post is PostMessage to the dialog's window: thread-safe, never waits, and dropped by Windows
// once the window is destroyed. A box the watch thread asks for is shown by the window's thread:
// the request goes to a message-only window that the window's thread owns, whose procedure shows
// it from whichever of the thread's loops is running then.

#include "platform/message_box.h"
#include "platform/window_post.h"

namespace platform::win32 {

class Win32WindowPoster : public WindowPoster {
  public:
    void Post(WindowHandle window, std::uint32_t message) override;
};

class Win32MessageBox : public MessageBoxService {
  public:
    void Show(const std::string& text) override;
    void ShowFromWorker(const std::string& text, std::function<void()> closed) override;
};

// The process's one poster and message box, installed into the platform services for as long as
// this object lives. Create it on the window's thread.
class Win32WindowServices {
  public:
    Win32WindowServices();
    ~Win32WindowServices();
    Win32WindowServices(const Win32WindowServices&) = delete;
    Win32WindowServices& operator=(const Win32WindowServices&) = delete;

  private:
    Win32WindowPoster m_poster;
    Win32MessageBox m_messageBox;
};

}  // namespace platform::win32
