#include "gui/controls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>

#include "platform/qt/dialog_builder.h"
#include "platform/qt/wire_text.h"

namespace platform {

void Control::EnableWindow(bool enable) {
    if (m_widget) {
        m_widget->setEnabled(enable);
    }
}

void Edit::SetSel(int start, int end) {
    auto* edit = qobject_cast<QLineEdit*>(m_widget.data());
    if (edit == nullptr) {
        return;
    }
    if (start < 0) {
        edit->deselect();
    } else {
        edit->setSelection(start, end - start);
    }
}

void Edit::ScrollCaret() {
    // A line edit always keeps its caret in view.
}

void Edit::ReplaceSel(const std::string& text) {
    if (auto* edit = qobject_cast<QLineEdit*>(m_widget.data())) {
        edit->insert(FromWire(text));
    }
}

int ComboBox::GetCurSel() const {
    auto* combo = qobject_cast<QComboBox*>(m_widget.data());
    return combo != nullptr ? combo->currentIndex() : -1;
}

void Button::SetBitmap(const Bitmap& image) {
    if (auto* button = qobject_cast<QAbstractButton*>(m_widget.data())) {
        SetButtonImage(button, image);
    }
}

}  // namespace platform
