#include "platform/gui/qt/quit_on_signal.h"

#include <QCoreApplication>

#include "platform/gui/qt/window_services.h"

namespace platform::qt {

QuitOnSignal::QuitOnSignal() : m_notifier(m_signals.Descriptor(), QSocketNotifier::Read) {
    m_notifier.setEnabled(m_signals.Descriptor() >= 0);
    QObject::connect(&m_notifier, &QSocketNotifier::activated, [this] {
        m_signals.Take();
        qt::Poster().SendToAll(WM_ENDSESSION);
        // Ends the modal loops too, those of message boxes among them, and any loop started
        // later returns at once: nobody has to click OK for the program to end.
        QCoreApplication::exit(0);
    });
}

}  // namespace platform::qt
