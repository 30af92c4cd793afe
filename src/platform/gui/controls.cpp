// The control objects, the same on every window backend: they join velmora_gui and ask the chosen
// backend's answers for the dialog's controls (dialog_items.h).

#include "platform/gui/controls.h"

#include "platform/gui/dialog.h"
#include "platform/gui/dialog_items.h"

namespace platform {

void Control::EnableWindow(bool enable) {
    if (m_dialog != nullptr) {
        m_dialog->EnableDlgItem(m_id, enable);
    }
}

void Edit::SetSel(int start, int end) {
    if (m_dialog != nullptr) {
        items::SetSel(*m_dialog, m_id, start, end);
    }
}

void Edit::ScrollCaret() {
    if (m_dialog != nullptr) {
        items::ScrollCaret(*m_dialog, m_id);
    }
}

void Edit::ReplaceSel(const std::string& text) {
    if (m_dialog != nullptr) {
        items::ReplaceSel(*m_dialog, m_id, text);
    }
}

int ComboBox::GetCurSel() const {
    return m_dialog != nullptr ? items::ComboIndex(*m_dialog, m_id).value_or(-1) : -1;
}

void Button::SetBitmap(const Bitmap& image) {
    if (m_dialog != nullptr) {
        items::SetImage(*m_dialog, m_id, image);
    }
}

}  // namespace platform
