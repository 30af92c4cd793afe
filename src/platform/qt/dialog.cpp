#include "gui/dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>

#include "platform/qt/dialog_builder.h"
#include "platform/qt/window_services.h"
#include "res/dialog_template.h"

namespace platform {
namespace {

std::uint32_t VirtualKey(int key) {
    switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return VK_RETURN;
        case Qt::Key_Escape:
            return VK_ESCAPE;
        case Qt::Key_Tab:
            return VK_TAB;
        case Qt::Key_Space:
            return VK_SPACE;
        default:
            // Letters and digits share their codes with Qt's.
            if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z)) {
                return static_cast<std::uint32_t>(key);
            }
            return 0;
    }
}

constexpr char kCommandProperty[] = "sysCommand";

}  // namespace

SystemMenu::SystemMenu(QWidget* owner) : m_menu(owner) {
    AppendItem(SC_MINIMIZE, "Minimize");
    AppendItem(SC_CLOSE, "Close\tAlt+F4");
}

void SystemMenu::AppendSeparator() {
    m_menu.addSeparator();
}

void SystemMenu::AppendItem(unsigned id, const std::string& text) {
    QAction* action = m_menu.addAction(QString::fromStdString(text));
    action->setProperty(kCommandProperty, id);
}

Dialog::Dialog(int templateId, ParentWindow parent)
    : QDialog(parent), m_templateId(templateId), m_systemMenu(this) {
    connect(&m_systemMenu.m_menu, &QMenu::triggered, this, [this](QAction* action) {
        OnSysCommand(action->property(kCommandProperty).toUInt(), 0);
    });
}

Dialog::~Dialog() {
    Destroy();
}

int Dialog::DoModal() {
    Create();
    const int result = exec();
    Destroy();
    return result;
}

void Dialog::Create() {
    if (const res::DialogTemplate* dialogTemplate = res::FindDialogTemplate(m_templateId)) {
        m_controls = BuildDialog(*dialogTemplate, this);
    }
    for (const DialogControls::Entry& entry : m_controls.InOrder()) {
        if (auto* button = qobject_cast<QAbstractButton*>(entry.widget)) {
            const int id = entry.id;
            connect(button, &QAbstractButton::clicked, this, [this, id] { DispatchCommand(id); });
        }
    }
    m_handle = QtWindowServices::Poster().Register(this);
    qApp->installEventFilter(this);
    OnInitDialog();
}

void Dialog::Destroy() {
    if (m_handle != nullptr) {
        qApp->removeEventFilter(this);
        QtWindowServices::Poster().Unregister(m_handle);
        m_handle = nullptr;
    }
}

void Dialog::EndDialog(int result) {
    done(result);
}

QWidget* Dialog::GetDlgItem(int id) const {
    return m_controls.Find(id);
}

void Dialog::EnableDlgItem(int id, bool enable) {
    if (QWidget* control = GetDlgItem(id)) {
        control->setEnabled(enable);
    }
}

void Dialog::SetDlgItemAccessibleName(int id, std::string_view name) {
    if (QWidget* control = GetDlgItem(id)) {
        control->setAccessibleName(
            QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    }
}

void Dialog::SetIcon(const Icon& icon, bool) {
    setWindowIcon(icon);
}

SystemMenu* Dialog::GetSystemMenu(bool) {
    return &m_systemMenu;
}

void Dialog::DispatchCommand(int id) {
    OnCommand(id);
}

void Dialog::OnSysCommand(unsigned nID, std::intptr_t) {
    switch (nID & 0xFFF0) {
        case SC_MINIMIZE:
            showMinimized();
            break;
        case SC_RESTORE:
            showNormal();
            break;
        case SC_CLOSE:
            close();
            break;
        default:
            break;
    }
}

void Dialog::OnPaint() {}

// The close box, Close in the system menu and Alt+F4 all become the Cancel command.
void Dialog::OnClose() {
    DispatchCommand(kIdCancel);
}

bool Dialog::event(QEvent* event) {
    if (event->type() == PostedMessageEvent::EventType()) {
        OnWindowMessage(static_cast<PostedMessageEvent*>(event)->Message());
        return true;
    }
    return QDialog::event(event);
}

bool Dialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != this) {
        return false;
    }
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier) {
        ShowSystemMenu(mapToGlobal(QPoint(0, 0)));
        return true;
    }
    return PreTranslateMessage(Msg{widget, WM_KEYDOWN, VirtualKey(key->key())});
}

void Dialog::paintEvent(QPaintEvent*) {
    OnPaint();
}

void Dialog::closeEvent(QCloseEvent* event) {
    OnClose();
    if (isVisible()) {
        event->ignore();
    } else {
        event->accept();
    }
}

void Dialog::contextMenuEvent(QContextMenuEvent* event) {
    ShowSystemMenu(event->globalPos());
}

void Dialog::ShowSystemMenu(const QPoint& at) {
    m_systemMenu.m_menu.popup(at);
}

void Dialog::reject() {
    DispatchCommand(kIdCancel);
}

void Dialog::accept() {
    DispatchCommand(kIdOk);
}

}  // namespace platform
