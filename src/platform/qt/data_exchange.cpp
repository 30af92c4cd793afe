#include "gui/data_exchange.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "gui/dialog.h"
#include "platform/message_box.h"
#include "platform/qt/edit_limit.h"
#include "platform/qt/wire_text.h"

namespace platform {

QWidget* DataExchange::PrepareCtrl(int id) {
    m_lastControl = m_dialog.GetDlgItem(id);
    return m_lastControl;
}

void DDX_Control(DataExchange& dx, int id, Control& control) {
    if (dx.Failed()) {
        return;
    }
    QWidget* widget = dx.PrepareCtrl(id);
    if (!control.IsAttached()) {
        control.Attach(widget);
    }
}

void DDX_CBIndex(DataExchange& dx, int id, std::int32_t& index) {
    if (dx.Failed()) {
        return;
    }
    auto* combo = qobject_cast<QComboBox*>(dx.PrepareCtrl(id));
    if (combo == nullptr) {
        return;
    }
    if (dx.m_bSaveAndValidate) {
        index = combo->currentIndex();
    } else {
        combo->setCurrentIndex(index);
    }
}

void DDX_Text(DataExchange& dx, int id, std::string& value) {
    if (dx.Failed()) {
        return;
    }
    auto* edit = qobject_cast<QLineEdit*>(dx.PrepareCtrl(id));
    if (edit == nullptr) {
        return;
    }
    if (dx.m_bSaveAndValidate) {
        value = ToWire(edit->text());
    } else {
        SetProgramText(edit, FromWire(value));
    }
}

void DDV_MaxChars(DataExchange& dx, const std::string& value, int count) {
    if (dx.Failed()) {
        return;
    }
    auto* edit = qobject_cast<QLineEdit*>(dx.LastControl());
    if (!dx.m_bSaveAndValidate) {
        if (edit != nullptr) {
            LimitEditText(edit, count);
        }
        return;
    }
    // The member holds the wire's bytes, and the tag's limits count bytes.
    if (value.size() > static_cast<std::size_t>(count)) {
        ShowMessage("Enter no more than " + std::to_string(count) + " characters.");
        if (edit != nullptr) {
            edit->setFocus(Qt::OtherFocusReason);
            edit->selectAll();
        }
        dx.Fail();
    }
}

void DDX_Check(DataExchange& dx, int id, std::int32_t& value) {
    if (dx.Failed()) {
        return;
    }
    auto* box = qobject_cast<QCheckBox*>(dx.PrepareCtrl(id));
    if (box == nullptr) {
        return;
    }
    if (dx.m_bSaveAndValidate) {
        value = box->isChecked() ? 1 : 0;
    } else {
        box->setChecked(value != 0);
    }
}

}  // namespace platform
