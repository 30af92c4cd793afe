#pragma once
// Dialog templates as data: the one place where the dialogs' controls, their identifiers,
// captions, styles, positions and visibility are written down, together with the dialogs' list
// data and the string table. Positions and sizes are in dialog units; the window backend turns
// them into windows (platform/gui/qt/dialog_builder.h, platform/gui/win32/template_builder.h).

#include <cstdint>
#include <span>
#include <string_view>

namespace res {

enum class ControlClass { Button, Edit, ComboBox, Static };

struct ControlTemplate {
    int id;
    ControlClass cls;
    std::string_view text;  // caption; for an image button it names the image for the operator
    std::uint32_t style;    // WS_VISIBLE set = shown with the dialog; without it never shown
    int x, y, cx, cy;       // for a combo box cy includes the dropped-down list
    int imageId;            // picture of an SS_BITMAP static, 0 for none
};

// Entries that are added, in this order, to a combo box when the dialog is created.
struct ListData {
    int controlId;
    std::span<const std::string_view> entries;
};

struct DialogTemplate {
    int id;
    std::uint32_t style;
    std::uint32_t exStyle;
    int x, y, cx, cy;
    std::string_view fontFace;  // UTF-8
    int pointSize;
    int weight;  // 0 when the template leaves it to the font
    std::string_view caption;
    std::span<const ControlTemplate> controls;  // template order: creation and tab order
    std::span<const ListData> lists;
};

// The captions of the labels beside the main dialog's two text fields; a screen reader names
// each field by its label.
inline constexpr std::string_view kHomepageLabel = "HOMEPAGE(http://) Only";
inline constexpr std::string_view kTableInfoLabel = "TABLE INFO";

// Null for an identifier that names no dialog.
const DialogTemplate* FindDialogTemplate(int id);

// The controls' list data of a dialog for one control; empty when it has none.
std::span<const std::string_view> FindListEntries(const DialogTemplate& dialog, int controlId);

// Text of the string table, empty when missing.
std::string_view LoadString(int id);

}  // namespace res
