#pragma once
// The window system's side of the platform services on Qt: posting to a window, message boxes.
//
// Posts come from the watch thread. A window registers itself when it is created and removes
// itself before it is destroyed, both under the registry's lock, so a post can never reach a
// destroyed object: it is either queued while the window lives (Qt discards the events of an
// object that is deleted later) or dropped.

#include <QEvent>
#include <QObject>

#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/message_box.h"
#include "platform/window_post.h"

namespace platform::qt {

// The event that carries a posted window message to the window's thread.
class PostedMessageEvent : public QEvent {
  public:
    static QEvent::Type EventType();
    explicit PostedMessageEvent(std::uint32_t message) : QEvent(EventType()), m_message(message) {}
    std::uint32_t Message() const { return m_message; }

  private:
    std::uint32_t m_message;
};

class QtWindowPoster : public WindowPoster {
  public:
    WindowHandle Register(QObject* window);
    void Unregister(WindowHandle handle);
    void Post(WindowHandle window, std::uint32_t message) override;
    // Window's thread only: hands `message` to every window now, before returning.
    void SendToAll(std::uint32_t message);

  private:
    std::mutex m_lock;
    std::unordered_map<WindowHandle, QObject*> m_windows;
    std::uintptr_t m_nextHandle = 1;
};

// The boxes on Qt; WindowServices installs one, and tests may build on it.
class QtMessageBox : public MessageBoxService {
  public:
    void Show(const std::string& text) override;
    void ShowFromWorker(const std::string& text, std::function<void()> closed) override;
};

// The process's one poster, which WindowServices installs (after the QApplication).
QtWindowPoster& Poster();

}  // namespace platform::qt
