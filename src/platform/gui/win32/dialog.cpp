#include "platform/gui/dialog.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/gui/program_resources.h"
#include "platform/gui/win32/native.h"
#include "platform/gui/win32/template_builder.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32_api.h"

namespace platform {
namespace {

// The dialogs that exist on the window's thread, oldest first.
thread_local std::vector<Dialog*> t_dialogs;

HWND WindowOf(const Dialog* dialog);

void FillLists(HWND window, const DialogTemplate& dialog) {
    for (const ListData& list : dialog.lists) {
        HWND combo = GetDlgItem(window, list.controlId);
        for (std::string_view entry : list.entries) {
            SendMessageW(combo, CB_ADDSTRING, 0,
                         reinterpret_cast<LPARAM>(win32::Widen(entry).c_str()));
        }
    }
}

// By value: the two libraries that define them (oleacc, uuid) each define IID_IAccessible too, so
// a program that needs both would not link.
constexpr GUID kClsidAccPropServices{
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr GUID kIidAccPropServices{
    0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr GUID kPropIdAccName{
    0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};

// A one-line label grows to its text: where the dialog face is stood in for by a wider one (as
// under Wine), a label that wraps would lose its second line below its bottom edge.
void FitLabels(HWND window, const DialogTemplate& dialog) {
    HDC dc = GetDC(window);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    HWND label = nullptr;
    for (const ControlTemplate& control : dialog.controls) {
        label = FindWindowExW(window, label, nullptr, nullptr);
        const bool textLabel = control.cls == ControlClass::Static &&
                               (control.style & SS_TYPEMASK) == SS_LEFT && !control.text.empty();
        RECT place{};
        if (label == nullptr || !textLabel || !GetWindowRect(label, &place)) {
            continue;
        }
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
        const std::wstring text = win32::Widen(control.text);
        SIZE extent{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
        const LONG width = place.right - place.left;
        if (place.bottom - place.top < 2 * metrics.tmHeight && extent.cx > width) {
            SetWindowPos(label, nullptr, 0, 0, extent.cx, place.bottom - place.top,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    SelectObject(dc, previous);
    ReleaseDC(window, dc);
}

}  // namespace

// The dialog's window, and the window procedure that hands Windows' messages to the framework's
// calls on the dialog that owns it.
struct Dialog::Impl {
    Impl(int templateId, ParentWindow parent) : m_templateId(templateId), m_parent(parent) {}

    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) {
            auto* dialog = reinterpret_cast<Dialog*>(lParam);
            SetWindowLongPtrW(window, DWLP_USER, lParam);
            Impl& impl = dialog->Native();
            impl.m_hWnd = window;
            impl.m_systemMenu = ::GetSystemMenu(window, FALSE);
            if (const DialogTemplate* found = Resources().findDialog(impl.m_templateId)) {
                FillLists(window, *found);
                FitLabels(window, *found);
            }
            return dialog->OnInitDialog() ? TRUE : FALSE;
        }
        auto* dialog = reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
        if (dialog == nullptr) {
            return FALSE;
        }
        return Handle(*dialog, message, wParam, lParam);
    }

    static INT_PTR Handle(Dialog& dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
            case WM_COMMAND:
                // Clicks, and Enter and Escape from the dialog manager; other notifications
                // (an edit's changes, a list's selection) are no commands.
                if (HIWORD(wParam) == BN_CLICKED) {
                    dialog.OnCommand(LOWORD(wParam));
                    return TRUE;
                }
                return FALSE;
            case WM_SYSCOMMAND:
                dialog.OnSysCommand(static_cast<unsigned>(wParam), lParam);
                return TRUE;
            case WM_PAINT:
                dialog.OnPaint();
                return TRUE;
            case WM_QUERYDRAGICON: {
                const Icon icon = dialog.OnQueryDragIcon();
                return reinterpret_cast<INT_PTR>(icon.IsNull() ? nullptr : icon.Native()->icon);
            }
            case WM_CLOSE:
                dialog.OnClose();
                return TRUE;
            case WM_ENDSESSION:
                return wParam != FALSE && dialog.OnWindowMessage(WM_ENDSESSION) ? TRUE : FALSE;
            default:
                // The program's own messages. The dialog manager's DM_GETDEFID is among them and
                // stays unhandled here, so it gets the manager's answer.
                if (message >= WM_USER && message < WM_APP) {
                    return dialog.OnWindowMessage(message) ? TRUE : FALSE;
                }
                return FALSE;
        }
    }

    static void Route(MSG& message) {
        HWND root = message.hwnd != nullptr ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
        const auto found = std::ranges::find(t_dialogs, root, &WindowOf);
        if (root != nullptr && found != t_dialogs.end()) {
            Dialog& dialog = **found;
            if (message.message == WM_KEYDOWN &&
                dialog.PreTranslateMessage(Msg{message.message, message.wParam})) {
                return;
            }
            if (IsDialogMessageW(root, &message)) {
                return;
            }
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }

    void Destroy(Dialog& dialog) {
        if (m_hWnd == nullptr) {
            return;
        }
        HWND window = std::exchange(m_hWnd, nullptr);
        SetWindowLongPtrW(window, DWLP_USER, 0);
        DestroyWindow(window);
        std::erase(t_dialogs, &dialog);
    }

    int m_templateId;
    ParentWindow m_parent;
    HWND m_hWnd = nullptr;
    HMENU m_systemMenu = nullptr;
    int m_result = 0;
    bool m_ended = false;
};

namespace {

HWND WindowOf(const Dialog* dialog) {
    return dialog->Native().m_hWnd;
}

}  // namespace

void SystemMenu::AppendSeparator() {
    AppendMenuW(m_owner.Native().m_systemMenu, MF_SEPARATOR, 0, nullptr);
}

void SystemMenu::AppendItem(unsigned id, const std::string& text) {
    AppendMenuW(m_owner.Native().m_systemMenu, MF_STRING, id, win32::Widen(text).c_str());
}

Dialog::Dialog(int templateId, ParentWindow parent)
    : m_impl(std::make_unique<Impl>(templateId, parent)) {}

Dialog::~Dialog() {
    m_impl->Destroy(*this);
}

void Dialog::Create() {
    const DialogTemplate* found = Resources().findDialog(m_impl->m_templateId);
    if (found == nullptr || m_impl->m_hWnd != nullptr) {
        return;
    }
    const std::vector<std::uint16_t> words = win32::BuildDialogTemplate(*found);
    HWND owner =
        m_impl->m_parent != nullptr ? WindowOf(m_impl->m_parent) : win32::TopDialogWindow();
    m_impl->m_ended = false;
    m_impl->m_result = 0;
    t_dialogs.push_back(this);
    HWND window = CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                             reinterpret_cast<LPCDLGTEMPLATEW>(words.data()), owner,
                                             &Impl::Procedure, reinterpret_cast<LPARAM>(this));
    if (window == nullptr) {
        std::erase(t_dialogs, this);
        return;
    }
    ShowWindow(window, SW_SHOW);
}

int Dialog::DoModal() {
    Create();
    if (m_impl->m_hWnd == nullptr) {
        return -1;
    }
    HWND owner = GetWindow(m_impl->m_hWnd, GW_OWNER);
    if (owner != nullptr) {
        EnableWindow(owner, FALSE);
    }
    MSG message;
    while (!m_impl->m_ended) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            // Someone asked the whole program to quit: the outer loop must hear it too.
            PostQuitMessage(got == 0 ? static_cast<int>(message.wParam) : 1);
            EndDialog(kIdCancel);
            break;
        }
        Impl::Route(message);
    }
    if (owner != nullptr) {
        // Before the dialog goes, or Windows activates some other program's window.
        EnableWindow(owner, TRUE);
        SetActiveWindow(owner);
    }
    m_impl->Destroy(*this);
    return m_impl->m_result;
}

void Dialog::EndDialog(int result) {
    m_impl->m_result = result;
    m_impl->m_ended = true;
    if (m_impl->m_hWnd != nullptr) {
        ShowWindow(m_impl->m_hWnd, SW_HIDE);
        // The loop that waits for the end may be asleep in GetMessage.
        PostMessageW(m_impl->m_hWnd, WM_NULL, 0, 0);
    }
}

bool Dialog::Ended() const {
    return m_impl->m_ended;
}

int Dialog::Result() const {
    return m_impl->m_result;
}

void Dialog::EnableDlgItem(int id, bool enable) {
    if (HWND control = win32::DlgItem(*this, id)) {
        EnableWindow(control, enable ? TRUE : FALSE);
    }
}

// Windows would name an edit after the label before it in the template, which is not its own
// label here.
void Dialog::SetDlgItemAccessibleName(int id, std::string_view name) {
    HWND control = win32::DlgItem(*this, id);
    IAccPropServices* services = nullptr;
    // Needs COM on this thread (the program starts it); without, the name stays Windows' own.
    if (control == nullptr ||
        FAILED(CoCreateInstance(kClsidAccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                kIidAccPropServices, reinterpret_cast<void**>(&services)))) {
        return;
    }
    services->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                             kPropIdAccName, win32::Widen(name).c_str());
    services->Release();
}

void Dialog::SetIcon(const Icon& icon, bool bigIcon) {
    SendMessageW(m_impl->m_hWnd, WM_SETICON, bigIcon ? ICON_BIG : ICON_SMALL,
                 reinterpret_cast<LPARAM>(icon.IsNull() ? nullptr : icon.Native()->icon));
}

Size Dialog::GetClientSize() const {
    RECT client{};
    GetClientRect(m_impl->m_hWnd, &client);
    return {client.right - client.left, client.bottom - client.top};
}

WindowHandle Dialog::GetSafeHwnd() const {
    return reinterpret_cast<WindowHandle>(m_impl->m_hWnd);
}

SystemMenu* Dialog::GetSystemMenu(bool revert) {
    if (m_impl->m_hWnd == nullptr) {
        return nullptr;
    }
    m_impl->m_systemMenu = ::GetSystemMenu(m_impl->m_hWnd, revert ? TRUE : FALSE);
    return &m_systemMenu;
}

bool Dialog::IsIconic() const {
    return m_impl->m_hWnd != nullptr && ::IsIconic(m_impl->m_hWnd) != FALSE;
}

// Windows' own handling: minimise, move, close (as WM_CLOSE), the keyboard's way into the menu.
void Dialog::OnSysCommand(unsigned nID, std::intptr_t lParam) {
    DefWindowProcW(m_impl->m_hWnd, WM_SYSCOMMAND, nID, lParam);
}

void Dialog::OnPaint() {
    DefWindowProcW(m_impl->m_hWnd, WM_PAINT, 0, 0);
}

// The close box, Close in the system menu and Alt+F4 all become the Cancel command.
void Dialog::OnClose() {
    OnCommand(kIdCancel);
}

namespace win32 {

HWND Window(const Dialog& dialog) {
    return WindowOf(&dialog);
}

HWND DlgItem(const Dialog& dialog, int id) {
    HWND window = WindowOf(&dialog);
    return window != nullptr ? ::GetDlgItem(window, id) : nullptr;
}

void RouteMessage(MSG& message) {
    Dialog::Impl::Route(message);
}

HWND TopDialogWindow() {
    for (auto it = t_dialogs.rbegin(); it != t_dialogs.rend(); ++it) {
        if (HWND window = WindowOf(*it); window != nullptr && IsWindowVisible(window)) {
            return window;
        }
    }
    return nullptr;
}

}  // namespace win32

}  // namespace platform
