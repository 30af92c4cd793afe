#include "platform/gui/qt/window_services.h"

#include "platform/gui/window_services.h"
#include "platform/message_box.h"

#include <QAbstractButton>
#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QMetaObject>
#include <QPointer>

namespace platform::qt {

QEvent::Type PostedMessageEvent::EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

WindowHandle QtWindowPoster::Register(QObject* window) {
    std::lock_guard guard(m_lock);
    // Handles are never reused, so a post for a window that is gone cannot reach a new one.
    auto handle = reinterpret_cast<WindowHandle>(m_nextHandle++);
    m_windows.emplace(handle, window);
    return handle;
}

void QtWindowPoster::Unregister(WindowHandle handle) {
    std::lock_guard guard(m_lock);
    m_windows.erase(handle);
}

void QtWindowPoster::Post(WindowHandle window, std::uint32_t message) {
    std::lock_guard guard(m_lock);
    const auto it = m_windows.find(window);
    if (it != m_windows.end()) {
        QCoreApplication::postEvent(it->second, new PostedMessageEvent(message));
    }
}

void QtWindowPoster::SendToAll(std::uint32_t message) {
    std::vector<QObject*> windows;
    {
        // Not held while the windows handle it: a handler may create or destroy a window.
        std::lock_guard guard(m_lock);
        for (const auto& [handle, window] : m_windows) {
            windows.push_back(window);
        }
    }
    for (QObject* window : windows) {
        PostedMessageEvent event(message);
        QCoreApplication::sendEvent(window, &event);
    }
}

namespace {

// An OK-only box without an icon of its own shows the exclamation mark, as the framework's does.
// Its button carries no image, as the framework's does not either: where the style gives dialog
// buttons images, each box would make a new one, and Qt's pixmap cache would keep every box's
// copy long after the box is gone, up to its limit of 10 MiB.
QMessageBox* MakeBox(const std::string& text) {
    auto* box = new QMessageBox(QMessageBox::Warning, QApplication::applicationName(),
                                QString::fromStdString(text), QMessageBox::Ok);
    box->button(QMessageBox::Ok)->setIcon(QIcon());
    box->setAttribute(Qt::WA_DeleteOnClose);
    return box;
}

QtWindowPoster g_poster;
QtMessageBox g_messageBox;

}  // namespace

void QtMessageBox::Show(const std::string& text) {
    MakeBox(text)->exec();
}

void QtMessageBox::ShowFromWorker(const std::string& text, std::function<void()> closed) {
    QMetaObject::invokeMethod(
        qApp,
        [text, closed = std::move(closed)] {
            QMessageBox* box = MakeBox(text);
            box->setWindowModality(Qt::ApplicationModal);
            if (closed) {
                QObject::connect(box, &QMessageBox::finished, closed);
            }
            box->show();
        },
        Qt::QueuedConnection);
}

QtWindowPoster& Poster() {
    return g_poster;
}

}  // namespace platform::qt

namespace platform {

WindowServices::WindowServices() {
    InstallWindowPoster(&qt::g_poster);
    InstallMessageBox(&qt::g_messageBox);
}

WindowServices::~WindowServices() {
    InstallMessageBox(nullptr);
    InstallWindowPoster(nullptr);
}

}  // namespace platform
