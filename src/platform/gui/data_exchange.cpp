// The data exchange and its validation, the same on every window backend: they join velmora_gui
// and ask the chosen backend's answers for the dialog's controls (dialog_items.h).

#include "platform/gui/data_exchange.h"

#include <utility>

#include "platform/gui/dialog.h"
#include "platform/gui/dialog_items.h"
#include "platform/message_box.h"

namespace platform {

void DDX_Control(DataExchange& dx, int id, Control& control) {
    if (dx.Failed()) {
        return;
    }
    dx.PrepareCtrl(id);
    if (!control.IsAttached() && items::Exists(dx.TheDialog(), id)) {
        control.Attach(dx.TheDialog(), id);
    }
}

void DDX_CBIndex(DataExchange& dx, int id, std::int32_t& index) {
    if (dx.Failed()) {
        return;
    }
    dx.PrepareCtrl(id);
    if (!dx.m_bSaveAndValidate) {
        items::SetComboIndex(dx.TheDialog(), id, index);
    } else if (const std::optional<int> selected = items::ComboIndex(dx.TheDialog(), id)) {
        index = *selected;
    }
}

void DDX_Text(DataExchange& dx, int id, std::string& value) {
    if (dx.Failed()) {
        return;
    }
    dx.PrepareCtrl(id);
    if (!dx.m_bSaveAndValidate) {
        items::SetProgramText(dx.TheDialog(), id, value);
    } else if (std::optional<std::string> text = items::WireText(dx.TheDialog(), id)) {
        value = std::move(*text);
    }
}

void DDV_MaxChars(DataExchange& dx, const std::string& value, int count) {
    if (dx.Failed()) {
        return;
    }
    const std::optional<int> edit = dx.LastControl();
    if (!dx.m_bSaveAndValidate) {
        if (edit) {
            items::LimitText(dx.TheDialog(), *edit, count);
        }
        return;
    }
    // The member holds the wire's bytes, and the tag's limits count bytes.
    if (value.size() > static_cast<std::size_t>(count)) {
        ShowMessage("Enter no more than " + std::to_string(count) + " characters.");
        if (edit) {
            items::FocusAndSelectAll(dx.TheDialog(), *edit);
        }
        dx.Fail();
    }
}

void DDX_Check(DataExchange& dx, int id, std::int32_t& value) {
    if (dx.Failed()) {
        return;
    }
    dx.PrepareCtrl(id);
    if (!dx.m_bSaveAndValidate) {
        items::SetChecked(dx.TheDialog(), id, value != 0);
    } else if (const std::optional<bool> checked = items::Checked(dx.TheDialog(), id)) {
        value = *checked ? 1 : 0;
    }
}

}  // namespace platform
