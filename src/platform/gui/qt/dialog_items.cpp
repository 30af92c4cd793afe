#include "platform/gui/dialog_items.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "platform/gui/qt/dialog_builder.h"
#include "platform/gui/qt/edit_limit.h"
#include "platform/gui/qt/native.h"
#include "platform/gui/qt/wire_text.h"

namespace platform::items {
namespace {

QLineEdit* LineEdit(const Dialog& dialog, int id) {
    return qt::DlgItem<QLineEdit>(dialog, id);
}

}  // namespace

bool Exists(const Dialog& dialog, int id) {
    return qt::DlgItem(dialog, id) != nullptr;
}

std::optional<int> ComboIndex(const Dialog& dialog, int id) {
    if (auto* combo = qt::DlgItem<QComboBox>(dialog, id)) {
        return combo->currentIndex();
    }
    return std::nullopt;
}

void SetComboIndex(const Dialog& dialog, int id, int index) {
    if (auto* combo = qt::DlgItem<QComboBox>(dialog, id)) {
        combo->setCurrentIndex(index);
    }
}

std::optional<bool> Checked(const Dialog& dialog, int id) {
    if (auto* box = qt::DlgItem<QCheckBox>(dialog, id)) {
        return box->isChecked();
    }
    return std::nullopt;
}

void SetChecked(const Dialog& dialog, int id, bool checked) {
    if (auto* box = qt::DlgItem<QCheckBox>(dialog, id)) {
        box->setChecked(checked);
    }
}

std::optional<std::string> WireText(const Dialog& dialog, int id) {
    if (QLineEdit* edit = LineEdit(dialog, id)) {
        return qt::ToWire(edit->text());
    }
    return std::nullopt;
}

// A line edit puts the caret behind a text it is given.
void SetProgramText(const Dialog& dialog, int id, const std::string& wire) {
    if (QLineEdit* edit = LineEdit(dialog, id)) {
        qt::SetProgramText(edit, qt::FromWire(wire));
    }
}

void LimitText(const Dialog& dialog, int id, int limit) {
    if (QLineEdit* edit = LineEdit(dialog, id)) {
        qt::LimitEditText(edit, limit);
    }
}

void FocusAndSelectAll(const Dialog& dialog, int id) {
    if (QLineEdit* edit = LineEdit(dialog, id)) {
        edit->setFocus(Qt::OtherFocusReason);
        edit->selectAll();
    }
}

void SetSel(const Dialog& dialog, int id, int start, int end) {
    QLineEdit* edit = LineEdit(dialog, id);
    if (edit == nullptr) {
        return;
    }
    if (start < 0) {
        edit->deselect();
    } else {
        edit->setSelection(start, end - start);
    }
}

// A line edit always keeps its caret in view.
void ScrollCaret(const Dialog&, int) {}

void ReplaceSel(const Dialog& dialog, int id, const std::string& wire) {
    if (QLineEdit* edit = LineEdit(dialog, id)) {
        edit->insert(qt::FromWire(wire));
    }
}

void SetImage(const Dialog& dialog, int id, const Bitmap& image) {
    if (auto* button = qt::DlgItem<QAbstractButton>(dialog, id)) {
        qt::SetButtonImage(button, qt::ToPixmap(image));
    }
}

}  // namespace platform::items
