#pragma once
// The program's dialogs as templates (platform/gui/dialog_template.h): the one place where the
// dialogs' controls, captions, styles and positions are written down, together with the dialogs'
// list data and the string table.

#include <string_view>

#include "platform/gui/dialog_template.h"

namespace res {

// The captions of the labels beside the main dialog's two text fields; a screen reader names
// each field by its label.
inline constexpr std::string_view kHomepageLabel = "HOMEPAGE(http://) Only";
inline constexpr std::string_view kTableInfoLabel = "TABLE INFO";

// Null for an identifier that names no dialog.
const platform::DialogTemplate* FindDialogTemplate(int id);

// Text of the string table, empty when missing.
std::string_view LoadString(int id);

}  // namespace res
