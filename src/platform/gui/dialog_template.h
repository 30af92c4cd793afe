#pragma once
// Dialog templates as data: a dialog's controls, their identifiers, captions, styles, positions
// and visibility, with the dialog's list data. Positions and sizes are in dialog units; the window
// backend turns them into windows (gui/qt/dialog_builder.h, gui/win32/template_builder.h). The
// program writes its dialogs down as such templates and hands them in (gui/program_resources.h);
// the style bits are those of gui/window_styles.h.

#include <algorithm>
#include <cstdint>
#include <span>
#include <string_view>

namespace platform {

// The identifier of the controls the program never addresses: labels, pictures.
inline constexpr int kIdStatic = -1;

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

// The controls' list data of a dialog for one control; empty when it has none.
inline std::span<const std::string_view> FindListEntries(const DialogTemplate& dialog,
                                                         int controlId) {
    const auto found = std::ranges::find(dialog.lists, controlId, &ListData::controlId);
    return found == dialog.lists.end() ? std::span<const std::string_view>{} : found->entries;
}

}  // namespace platform
