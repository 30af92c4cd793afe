#include "platform/gui/dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>

#include "platform/gui/program_resources.h"
#include "platform/gui/qt/dialog_builder.h"
#include "platform/gui/qt/native.h"
#include "platform/gui/qt/window_services.h"

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

// The dialog's window: Qt's events become the framework's calls on the dialog that owns it.
struct Dialog::Impl : QDialog {
    Impl(Dialog& owner, int templateId, ParentWindow parent)
        : QDialog(parent != nullptr ? &parent->Native() : nullptr),
          m_owner(&owner),
          m_templateId(templateId),
          m_systemMenu(this) {
        AddMenuItem(SC_MINIMIZE, "Minimize");
        AddMenuItem(SC_CLOSE, "Close\tAlt+F4");
        connect(&m_systemMenu, &QMenu::triggered, this, [this](QAction* action) {
            if (m_owner != nullptr) {
                m_owner->OnSysCommand(action->property(kCommandProperty).toUInt(), 0);
            }
        });
    }

    void AddMenuItem(unsigned id, const std::string& text) {
        QAction* action = m_systemMenu.addAction(QString::fromStdString(text));
        action->setProperty(kCommandProperty, id);
    }

    // The window and its controls, registered for posts and keys, and OnInitDialog; not shown.
    void Build() {
        if (const DialogTemplate* dialogTemplate = Resources().findDialog(m_templateId)) {
            m_controls = qt::BuildDialog(*dialogTemplate, this);
        }
        for (const qt::DialogControls::Entry& entry : m_controls.InOrder()) {
            if (auto* button = qobject_cast<QAbstractButton*>(entry.widget)) {
                const int id = entry.id;
                connect(button, &QAbstractButton::clicked, this, [this, id] { Command(id); });
            }
        }
        m_handle = qt::Poster().Register(this);
        qApp->installEventFilter(this);
        m_ended = false;
        m_owner->OnInitDialog();
    }

    void Unregister() {
        if (m_handle != nullptr) {
            qApp->removeEventFilter(this);
            qt::Poster().Unregister(m_handle);
            m_handle = nullptr;
        }
    }

    // Nothing reaches a dialog that is being destroyed.
    void Command(int id) {
        if (m_owner != nullptr) {
            m_owner->OnCommand(id);
        }
    }

    void done(int result) override {
        m_ended = true;
        QDialog::done(result);
    }

    bool event(QEvent* event) override {
        if (event->type() == qt::PostedMessageEvent::EventType()) {
            if (m_owner != nullptr) {
                m_owner->OnWindowMessage(static_cast<qt::PostedMessageEvent*>(event)->Message());
            }
            return true;
        }
        return QDialog::event(event);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || m_owner == nullptr) {
            return false;
        }
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget == nullptr || widget->window() != this) {
            return false;
        }
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier) {
            m_systemMenu.popup(mapToGlobal(QPoint(0, 0)));
            return true;
        }
        return m_owner->PreTranslateMessage(Msg{WM_KEYDOWN, VirtualKey(key->key())});
    }

    void paintEvent(QPaintEvent*) override {
        if (m_owner != nullptr) {
            m_owner->OnPaint();
        }
    }

    void closeEvent(QCloseEvent* event) override {
        if (m_owner != nullptr) {
            m_owner->OnClose();
        }
        if (isVisible()) {
            event->ignore();
        } else {
            event->accept();
        }
    }

    void contextMenuEvent(QContextMenuEvent* event) override {
        m_systemMenu.popup(event->globalPos());
    }

    void reject() override { Command(kIdCancel); }
    void accept() override { Command(kIdOk); }

    Dialog* m_owner;
    int m_templateId;
    WindowHandle m_handle = nullptr;
    qt::DialogControls m_controls;
    QMenu m_systemMenu;
    bool m_ended = false;
};

void SystemMenu::AppendSeparator() {
    m_owner.Native().m_systemMenu.addSeparator();
}

void SystemMenu::AppendItem(unsigned id, const std::string& text) {
    m_owner.Native().AddMenuItem(id, text);
}

Dialog::Dialog(int templateId, ParentWindow parent)
    : m_impl(std::make_unique<Impl>(*this, templateId, parent)) {}

Dialog::~Dialog() {
    m_impl->Unregister();
    m_impl->m_owner = nullptr;
}

int Dialog::DoModal() {
    m_impl->Build();
    const int result = m_impl->exec();
    m_impl->Unregister();
    return result;
}

void Dialog::Create() {
    m_impl->Build();
    m_impl->show();
}

void Dialog::EndDialog(int result) {
    m_impl->done(result);
}

bool Dialog::Ended() const {
    return m_impl->m_ended;
}

int Dialog::Result() const {
    return m_impl->result();
}

void Dialog::EnableDlgItem(int id, bool enable) {
    if (QWidget* control = qt::DlgItem(*this, id)) {
        control->setEnabled(enable);
    }
}

void Dialog::SetDlgItemAccessibleName(int id, std::string_view name) {
    if (QWidget* control = qt::DlgItem(*this, id)) {
        control->setAccessibleName(
            QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    }
}

// Qt has one icon for the title bar and the task switcher.
void Dialog::SetIcon(const Icon& icon, bool) {
    m_impl->setWindowIcon(qt::ToQIcon(icon));
}

Size Dialog::GetClientSize() const {
    return {m_impl->width(), m_impl->height()};
}

WindowHandle Dialog::GetSafeHwnd() const {
    return m_impl->m_handle;
}

// Always there: it opens as the context menu.
SystemMenu* Dialog::GetSystemMenu(bool) {
    return &m_systemMenu;
}

bool Dialog::IsIconic() const {
    return m_impl->isMinimized();
}

void Dialog::OnSysCommand(unsigned nID, std::intptr_t) {
    switch (nID & 0xFFF0) {
        case SC_MINIMIZE:
            m_impl->showMinimized();
            break;
        case SC_RESTORE:
            m_impl->showNormal();
            break;
        case SC_CLOSE:
            m_impl->close();
            break;
        default:
            break;
    }
}

void Dialog::OnPaint() {}

// The close box, Close in the system menu and Alt+F4 all become the Cancel command.
void Dialog::OnClose() {
    OnCommand(kIdCancel);
}

namespace qt {

QDialog& Window(const Dialog& dialog) {
    return dialog.Native();
}

QWidget* DlgItem(const Dialog& dialog, int id) {
    return dialog.Native().m_controls.Find(id);
}

QMenu& SystemMenuOf(const Dialog& dialog) {
    return dialog.Native().m_systemMenu;
}

}  // namespace qt
}  // namespace platform
