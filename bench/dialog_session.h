#pragma once
// The program's main dialog as the receive benchmarks need it: created and shown on the
// offscreen platform, with the operator's message boxes and tones recorded, and the port opened
// by pressing OPEN. The run's harness provides the fresh device map and working folder.
//
// Window thread only. The far side of COM1 (a bare terminal or the simulated reader) belongs to
// the caller and must be linked before OpenComOne.

#include <QCoreApplication>
#include <QTimer>

#include <chrono>
#include <memory>

#include "gui_support/recording_tones.h"
#include "harness.h"
#include "support/recording_message_box.h"
#include "ui/mirovan_dlg.h"

namespace bench {

class DialogSession {
  public:
    DialogSession();
    ~DialogSession();
    DialogSession(const DialogSession&) = delete;
    DialogSession& operator=(const DialogSession&) = delete;

    // Selects COM1 and presses OPEN; throws when the port did not open.
    void OpenComOne();
    // Presses a button of the dialog as the operator does.
    void Click(int id);

    // Handles the window thread's events, sleeping in the event dispatcher as the program does,
    // until `done` holds; false when `timeout` passed first. `done` is tested as soon as an event
    // has been dispatched: Qt's glib dispatcher returns from a blocking processEvents right after
    // dispatching (the plain Unix one would wait for one more event first).
    template <typename Predicate>
    bool PumpUntil(Predicate&& done, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        const Clock::time_point deadline = Clock::now() + timeout;
        while (!done()) {
            if (Clock::now() >= deadline) {
                return false;
            }
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        return true;
    }

    CMirovanDlg& Dialog() { return *m_dlg; }
    const testsupport::RecordingMessageBox& Boxes() const { return m_boxes; }

  private:
    testsupport::RecordingMessageBox m_boxes;
    testsupport::RecordingTones m_tones;
    std::unique_ptr<CMirovanDlg> m_dlg;
    // Wakes the dispatcher now and then, so that PumpUntil sees its deadline even when the far
    // side stays silent.
    QTimer m_deadlineTick;
};

}  // namespace bench
