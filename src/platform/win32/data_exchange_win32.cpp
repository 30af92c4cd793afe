#include "gui/data_exchange.h"

#include "gui/dialog.h"
#include "platform/message_box.h"
#include "platform/win32/edit_limit_win32.h"
#include "platform/windows/win32_api.h"
#include "platform/windows/wire_text.h"

namespace platform {

NativeWindow DataExchange::PrepareCtrl(int id) {
    m_lastControl = m_dialog.GetDlgItem(id);
    return m_lastControl;
}

void DDX_Control(DataExchange& dx, int id, Control& control) {
    if (dx.Failed()) {
        return;
    }
    HWND window = dx.PrepareCtrl(id);
    if (!control.IsAttached()) {
        control.Attach(window);
    }
}

void DDX_CBIndex(DataExchange& dx, int id, std::int32_t& index) {
    HWND combo = dx.Failed() ? nullptr : dx.PrepareCtrl(id);
    if (combo == nullptr) {
        return;
    }
    if (dx.m_bSaveAndValidate) {
        index = static_cast<std::int32_t>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
    } else {
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
}

void DDX_Text(DataExchange& dx, int id, std::string& value) {
    HWND edit = dx.Failed() ? nullptr : dx.PrepareCtrl(id);
    if (edit == nullptr) {
        return;
    }
    if (dx.m_bSaveAndValidate) {
        std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
        text.resize(static_cast<std::size_t>(
            GetDlgItemTextW(GetParent(edit), id, text.data(), static_cast<int>(text.size()))));
        value = win32::ToWire(text);
    } else {
        // The program's text goes in whole, whatever the box's limit for the operator. The caret
        // goes behind it, where the next appended status line belongs: Windows would leave it in
        // front and the next line would be put before the old ones.
        const std::wstring text = win32::FromWire(value);
        SetDlgItemTextW(GetParent(edit), id, text.c_str());
        const auto end = static_cast<WPARAM>(text.size());
        SendMessageW(edit, EM_SETSEL, end, static_cast<LPARAM>(end));
    }
}

void DDV_MaxChars(DataExchange& dx, const std::string& value, int count) {
    if (dx.Failed()) {
        return;
    }
    HWND edit = dx.LastControl();
    if (!dx.m_bSaveAndValidate) {
        if (edit != nullptr) {
            win32::LimitEditText(edit, count);
        }
        return;
    }
    // The member holds the wire's bytes, and the tag's limits count bytes.
    if (value.size() > static_cast<std::size_t>(count)) {
        ShowMessage("Enter no more than " + std::to_string(count) + " characters.");
        if (edit != nullptr) {
            SetFocus(edit);
            SendMessageW(edit, EM_SETSEL, 0, -1);
        }
        dx.Fail();
    }
}

void DDX_Check(DataExchange& dx, int id, std::int32_t& value) {
    HWND box = dx.Failed() ? nullptr : dx.PrepareCtrl(id);
    if (box == nullptr) {
        return;
    }
    if (dx.m_bSaveAndValidate) {
        value = SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
    } else {
        SendMessageW(box, BM_SETCHECK, value != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

}  // namespace platform
