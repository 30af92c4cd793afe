#pragma once
// A dialog built from a template, run modally, with data exchange and a message map.
//
// Stands in for the Windows dialog framework on every window backend. Events reach the derived
// dialog as the framework's calls: button clicks as commands, posted messages as window messages,
// key-downs of any of its controls through PreTranslateMessage first, the title bar's system menu
// as OnSysCommand, the close box as OnClose. Where the window system has no system menu to add
// to, the same menu opens as the dialog's context menu (right-click on a free area, the Menu key,
// Shift+F10), and its choices reach OnSysCommand either way.
//
// The window itself belongs to the backend and stays behind Impl, so that nothing here names a
// type of either window system.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/gui/graphics.h"
#include "platform/gui/window_messages.h"
#include "platform/window_post.h"

namespace platform {

class DataExchange;
class Dialog;

// The window a dialog belongs to: it stays above it and is disabled while it runs modally.
using ParentWindow = Dialog*;

// The title bar's menu of a dialog.
class SystemMenu {
  public:
    explicit SystemMenu(Dialog& owner) : m_owner(owner) {}
    void AppendSeparator();
    void AppendItem(unsigned id, const std::string& text);

  private:
    Dialog& m_owner;
};

class Dialog {
  public:
    // The template is looked up among the resources the application object handed in.
    explicit Dialog(int templateId, ParentWindow parent = nullptr);
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Creates the window and its controls, runs OnInitDialog, shows the dialog and returns the
    // code it ended with once the operator or the program ends it.
    int DoModal();
    // The same without the modal run, for a dialog driven from outside (a test, a benchmark):
    // creates the window and its controls, runs OnInitDialog and shows it; the caller pumps the
    // events.
    void Create();
    void EndDialog(int result);
    // Whether EndDialog has ended the dialog since it was created, and with what.
    bool Ended() const;
    int Result() const;
    bool UpdateData(bool saveAndValidate = true);
    void EnableDlgItem(int id, bool enable);
    // What a screen reader calls a control that has no caption of its own.
    void SetDlgItemAccessibleName(int id, std::string_view name);
    // bigIcon: the task switcher's icon; otherwise the title bar's. Some window systems have one
    // for both.
    void SetIcon(const Icon& icon, bool bigIcon);
    Size GetClientSize() const;
    WindowHandle GetSafeHwnd() const;
    // Null where the window has none.
    SystemMenu* GetSystemMenu(bool revert);
    bool IsIconic() const;

    // The framework's answers; a derived dialog overrides what it handles.
    virtual void OnSysCommand(unsigned nID, std::intptr_t lParam);
    virtual void OnPaint();
    virtual void OnClose();
    // The picture Windows shows while a minimised window is dragged; none by default.
    virtual Icon OnQueryDragIcon() const { return {}; }

    // The backend's window, defined by the backend; only its own files look inside.
    struct Impl;
    Impl& Native() const { return *m_impl; }

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

  private:
    std::unique_ptr<Impl> m_impl;
    SystemMenu m_systemMenu{*this};
};

}  // namespace platform
