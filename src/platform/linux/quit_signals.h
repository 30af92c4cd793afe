#pragma once
// The system asking the program to quit from outside its window: logout, Ctrl+C in the terminal
// that started it, a service manager stopping it. Linux only: on Windows the end of the session
// reaches the dialog as a window message (WM_ENDSESSION).
//
// The request arrives at any moment on any thread; all that happens there is that a descriptor
// turns readable. The window's thread watches it and does the rest.

namespace platform {

class QuitSignals {
  public:
    // Catches the requests from now on. One object at a time.
    QuitSignals();
    // Puts back what was there before.
    ~QuitSignals();
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

    // Readable once a request has come; -1 when none can be caught.
    int Descriptor() const { return m_read; }
    // Empties the descriptor, so that it turns readable again only on the next request.
    void Take();

  private:
    int m_read = -1;
    int m_write = -1;
};

}  // namespace platform
