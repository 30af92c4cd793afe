#pragma once
// Ends the program cleanly when the system asks it to quit (see platform/linux/quit_signals.h):
// every window hears WM_ENDSESSION on the window's thread, so that it can let go of what it holds
// (an open port, and with it the port's exclusivity and the watch thread), then every message loop
// ends and the entry point returns 0.

#include <QSocketNotifier>

#include "platform/linux/quit_signals.h"

namespace platform::qt {

class QuitOnSignal {
  public:
    // Create on the window's thread, after the QApplication.
    QuitOnSignal();

  private:
    QuitSignals m_signals;
    QSocketNotifier m_notifier;
};

}  // namespace platform::qt
