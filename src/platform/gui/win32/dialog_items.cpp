#include "platform/gui/dialog_items.h"

#include "platform/gui/win32/edit_limit.h"
#include "platform/gui/win32/native.h"
#include "platform/windows/win32_api.h"
#include "platform/windows/wire_text.h"

namespace platform::items {

bool Exists(const Dialog& dialog, int id) {
    return win32::DlgItem(dialog, id) != nullptr;
}

std::optional<int> ComboIndex(const Dialog& dialog, int id) {
    if (HWND combo = win32::DlgItem(dialog, id)) {
        return static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
    }
    return std::nullopt;
}

void SetComboIndex(const Dialog& dialog, int id, int index) {
    if (HWND combo = win32::DlgItem(dialog, id)) {
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
}

std::optional<bool> Checked(const Dialog& dialog, int id) {
    if (HWND box = win32::DlgItem(dialog, id)) {
        return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    return std::nullopt;
}

void SetChecked(const Dialog& dialog, int id, bool checked) {
    if (HWND box = win32::DlgItem(dialog, id)) {
        SendMessageW(box, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

std::optional<std::string> WireText(const Dialog& dialog, int id) {
    HWND edit = win32::DlgItem(dialog, id);
    if (edit == nullptr) {
        return std::nullopt;
    }
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetDlgItemTextW(GetParent(edit), id, text.data(), static_cast<int>(text.size()))));
    return win32::ToWire(text);
}

// Windows would leave the caret in front of the new text, and the next status line appended at
// the caret would go before the old ones.
void SetProgramText(const Dialog& dialog, int id, const std::string& wire) {
    HWND edit = win32::DlgItem(dialog, id);
    if (edit == nullptr) {
        return;
    }
    const std::wstring text = win32::FromWire(wire);
    SetDlgItemTextW(GetParent(edit), id, text.c_str());
    const auto end = static_cast<WPARAM>(text.size());
    SendMessageW(edit, EM_SETSEL, end, static_cast<LPARAM>(end));
}

void LimitText(const Dialog& dialog, int id, int limit) {
    if (HWND edit = win32::DlgItem(dialog, id)) {
        win32::LimitEditText(edit, limit);
    }
}

void FocusAndSelectAll(const Dialog& dialog, int id) {
    if (HWND edit = win32::DlgItem(dialog, id)) {
        SetFocus(edit);
        SendMessageW(edit, EM_SETSEL, 0, -1);
    }
}

// (-1, 0) is the edit control's own "no selection, caret where it is".
void SetSel(const Dialog& dialog, int id, int start, int end) {
    if (HWND edit = win32::DlgItem(dialog, id)) {
        SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(start), end);
    }
}

void ScrollCaret(const Dialog& dialog, int id) {
    if (HWND edit = win32::DlgItem(dialog, id)) {
        SendMessageW(edit, EM_SCROLLCARET, 0, 0);
    }
}

void ReplaceSel(const Dialog& dialog, int id, const std::string& wire) {
    if (HWND edit = win32::DlgItem(dialog, id)) {
        SendMessageW(edit, EM_REPLACESEL, FALSE,
                     reinterpret_cast<LPARAM>(win32::FromWire(wire).c_str()));
    }
}

void SetImage(const Dialog& dialog, int id, const Bitmap& image) {
    if (HWND button = win32::DlgItem(dialog, id)) {
        SendMessageW(button, BM_SETIMAGE, IMAGE_BITMAP,
                     reinterpret_cast<LPARAM>(image.IsNull() ? nullptr : image.Native()->bitmap));
    }
}

}  // namespace platform::items
