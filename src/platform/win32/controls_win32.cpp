#include "gui/controls.h"

#include "platform/windows/win32_api.h"
#include "platform/windows/wire_text.h"

namespace platform {

void Control::EnableWindow(bool enable) {
    if (m_widget != nullptr) {
        ::EnableWindow(m_widget, enable ? TRUE : FALSE);
    }
}

void Edit::SetSel(int start, int end) {
    // (-1, 0) is the edit control's own "no selection, caret where it is".
    SendMessageW(m_widget, EM_SETSEL, static_cast<WPARAM>(start), end);
}

void Edit::ScrollCaret() {
    SendMessageW(m_widget, EM_SCROLLCARET, 0, 0);
}

void Edit::ReplaceSel(const std::string& text) {
    SendMessageW(m_widget, EM_REPLACESEL, FALSE,
                 reinterpret_cast<LPARAM>(win32::FromWire(text).c_str()));
}

int ComboBox::GetCurSel() const {
    return m_widget != nullptr ? static_cast<int>(SendMessageW(m_widget, CB_GETCURSEL, 0, 0)) : -1;
}

void Button::SetBitmap(const Bitmap& image) {
    SendMessageW(m_widget, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image.Native()));
}

}  // namespace platform
