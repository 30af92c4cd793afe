#pragma once
// A dialog built from a template, run modally, with data exchange and a message map.
//
// Stands in for the Windows dialog framework on the window system that Qt gives us. Events reach
// the derived dialog as the framework's calls: button clicks as commands, posted messages as
// window messages, key-downs of any of its controls through PreTranslateMessage first, the
// close box as OnClose. Windows lets a program add to the title bar's system menu; elsewhere the
// same menu opens as the dialog's context menu (right-click on a free area, the Menu key,
// Shift+F10), and its choices reach OnSysCommand either way.

#include <QDialog>
#include <QMenu>

#include <cstdint>
#include <string>
#include <string_view>

#include "gui/graphics.h"
#include "gui/window_messages.h"
#include "platform/qt/dialog_builder.h"
#include "platform/window_post.h"

namespace platform {

class DataExchange;

// The window a dialog belongs to: it stays above it and is disabled while it runs modally.
using ParentWindow = QWidget*;

class SystemMenu {
  public:
    explicit SystemMenu(QWidget* owner);
    void AppendSeparator();
    void AppendItem(unsigned id, const std::string& text);
    QMenu& Menu() { return m_menu; }

  private:
    friend class Dialog;
    QMenu m_menu;
};

class Dialog : public QDialog {
  public:
    explicit Dialog(int templateId, ParentWindow parent = nullptr);
    ~Dialog() override;

    // Creates the window and its controls, runs OnInitDialog, shows the dialog and returns the
    // code it ended with once the operator or the program ends it.
    int DoModal();
    // The same without the modal run, for a dialog that stays open beside others: creates the
    // window and its controls and runs OnInitDialog; show() shows it.
    void Create();
    void EndDialog(int result);
    bool UpdateData(bool saveAndValidate = true);
    QWidget* GetDlgItem(int id) const;
    void EnableDlgItem(int id, bool enable);
    // What a screen reader calls a control that has no caption of its own.
    void SetDlgItemAccessibleName(int id, std::string_view name);
    // bigIcon: the task switcher's icon; otherwise the title bar's. Qt has one for both.
    void SetIcon(const Icon& icon, bool bigIcon);
    Size GetClientSize() const { return {width(), height()}; }
    WindowHandle GetSafeHwnd() const { return m_handle; }
    // Always there off Windows (see above); null where the window has none.
    SystemMenu* GetSystemMenu(bool revert);
    bool IsIconic() const { return isMinimized(); }

    // The framework's answers; a derived dialog overrides what it handles.
    virtual void OnSysCommand(unsigned nID, std::intptr_t lParam);
    virtual void OnPaint();
    virtual void OnClose();
    // The picture Windows shows while a minimised window is dragged; none by default.
    virtual Icon OnQueryDragIcon() const { return {}; }

  protected:
    virtual void DoDataExchange(DataExchange&) {}
    virtual bool OnInitDialog();
    virtual bool PreTranslateMessage(const Msg&) { return false; }
    virtual void OnOK();
    virtual void OnCancel();
    // A button's click; false when the derived dialog has no handler for it.
    virtual bool OnCommand(int id);
    // A posted message; false when unhandled.
    virtual bool OnWindowMessage(std::uint32_t) { return false; }

    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void reject() override;
    void accept() override;

  private:
    void Destroy();
    void ShowSystemMenu(const QPoint& at);
    void DispatchCommand(int id);

    int m_templateId;
    WindowHandle m_handle = nullptr;
    DialogControls m_controls;
    SystemMenu m_systemMenu;
};

}  // namespace platform
