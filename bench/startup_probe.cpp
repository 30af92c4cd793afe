// Linked into both start-up programs, the program and the bare dialog alike: once the first
// window has been exposed and painted, writes "shown <CLOCK_MONOTONIC ns>" to standard output and
// ends the program through its event loops, as closing the window would. It hooks in when the
// application object is constructed, so neither program carries anything for it.

#include <time.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWindow>

#include <cstdio>

namespace {

void ReportShownAndQuit() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    char line[64];
    const int n = std::snprintf(line, sizeof line, "shown %lld\n",
                                static_cast<long long>(now.tv_sec) * 1'000'000'000 + now.tv_nsec);
    [[maybe_unused]] const ssize_t written = ::write(STDOUT_FILENO, line, static_cast<size_t>(n));
    QCoreApplication::exit(0);
}

class FirstExposure : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!m_seen && event->type() == QEvent::Expose && watched->isWindowType() &&
            static_cast<QWindow*>(watched)->isExposed()) {
            m_seen = true;
            // After the expose event itself, which paints the window.
            QTimer::singleShot(0, &ReportShownAndQuit);
        }
        return false;
    }

  private:
    bool m_seen = false;
};

void InstallProbe() {
    QCoreApplication* app = QCoreApplication::instance();
    app->installEventFilter(new FirstExposure(app));
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(InstallProbe)
