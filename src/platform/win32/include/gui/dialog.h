#pragma once
// A dialog built from a template, run modally, with data exchange and a message map, on Win32.
//
// The template becomes a DLGTEMPLATEEX in memory, so both window backends build their dialogs
// from the same data. A modal dialog runs its own message loop, as the framework's do: each
// message goes to PreTranslateMessage first, then to the dialog manager (Tab, arrows, mnemonics),
// then to its window. Buttons reach the derived dialog as commands, posted messages as window
// messages, the title bar's system menu as OnSysCommand, the close box as OnClose.

#include <cstdint>
#include <string>
#include <string_view>

#include "gui/graphics.h"
#include "gui/native_window.h"
#include "gui/window_messages.h"
#include "platform/window_post.h"

struct HMENU__;
struct tagMSG;

namespace platform {

class DataExchange;

class Dialog;
// The window a dialog belongs to: it stays above it and is disabled while it runs modally.
using ParentWindow = Dialog*;

// The title bar's menu of a dialog.
class SystemMenu {
  public:
    explicit SystemMenu(HMENU__* menu) : m_menu(menu) {}
    void AppendSeparator();
    void AppendItem(unsigned id, const std::string& text);

  private:
    HMENU__* m_menu;
};

class Dialog {
  public:
    explicit Dialog(int templateId, ParentWindow parent = nullptr);
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Creates the window and its controls, runs OnInitDialog, shows the dialog and returns the
    // code it ended with once the operator or the program ends it.
    int DoModal();
    // The same without the modal loop, for a dialog driven from outside (a test): creates the
    // window and its controls, runs OnInitDialog and shows it; the caller pumps the messages.
    void Create();
    void EndDialog(int result);
    bool UpdateData(bool saveAndValidate = true);
    NativeWindow GetDlgItem(int id) const;
    void EnableDlgItem(int id, bool enable);
    // What a screen reader calls a control without a caption of its own. Windows would name an
    // edit after the label before it in the template, which is not its own label here.
    void SetDlgItemAccessibleName(int id, std::string_view name);
    // bigIcon: the task switcher's icon; otherwise the title bar's.
    void SetIcon(const Icon& icon, bool bigIcon);
    Size GetClientSize() const;
    WindowHandle GetSafeHwnd() const { return reinterpret_cast<WindowHandle>(m_hWnd); }
    NativeWindow Window() const { return m_hWnd; }
    SystemMenu* GetSystemMenu(bool revert);
    bool IsIconic() const;
    // Whether EndDialog has ended the dialog, and with what.
    bool Ended() const { return m_ended; }
    int Result() const { return m_result; }

    // The framework's answers; a derived dialog overrides what it handles.
    virtual void OnSysCommand(unsigned nID, std::intptr_t lParam);
    virtual void OnPaint();
    virtual void OnClose();
    // The picture Windows shows while a minimised window is dragged; none by default.
    virtual Icon OnQueryDragIcon() const { return {}; }

    // One message of the window's thread, as every loop there handles it (the modal runs and the
    // waits' pump): the target dialog's PreTranslateMessage, its dialog manager, then the window.
    static void RouteMessage(tagMSG& message);

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
    friend struct DialogProcedure;
    void Destroy();

    int m_templateId;
    ParentWindow m_parent;
    NativeWindow m_hWnd = nullptr;
    SystemMenu m_systemMenu{nullptr};
    int m_result = 0;
    bool m_ended = false;
};

}  // namespace platform
