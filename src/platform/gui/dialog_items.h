#pragma once
// What the control objects and the data exchange ask of a dialog's controls, by identifier. Each
// window backend answers for its own controls; the policy above them is written once. A control
// that is missing, or not of the kind asked for, answers nothing and nothing changes.

#include <optional>
#include <string>

#include "platform/gui/graphics.h"

namespace platform {

class Dialog;

namespace items {

bool Exists(const Dialog& dialog, int id);

// A drop-down list's selection: -1 for none.
std::optional<int> ComboIndex(const Dialog& dialog, int id);
void SetComboIndex(const Dialog& dialog, int id, int index);

std::optional<bool> Checked(const Dialog& dialog, int id);
void SetChecked(const Dialog& dialog, int id, bool checked);

// An edit box's text as the wire's bytes.
std::optional<std::string> WireText(const Dialog& dialog, int id);
// The program's text goes in whole, whatever the box's limit for the operator, and the caret goes
// behind it, where the next appended status line belongs.
void SetProgramText(const Dialog& dialog, int id, const std::string& wire);
// The operator's limit, in the wire's bytes.
void LimitText(const Dialog& dialog, int id, int limit);
void FocusAndSelectAll(const Dialog& dialog, int id);
// start -1: no selection, the caret stays where it is.
void SetSel(const Dialog& dialog, int id, int start, int end);
void ScrollCaret(const Dialog& dialog, int id);
void ReplaceSel(const Dialog& dialog, int id, const std::string& wire);

// A button's picture in place of its caption; a null bitmap takes it away.
void SetImage(const Dialog& dialog, int id, const Bitmap& image);

}  // namespace items
}  // namespace platform
