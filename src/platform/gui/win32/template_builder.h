#pragma once
// A dialog template of gui/dialog_template.h as the DLGTEMPLATEEX that CreateDialogIndirectParam
// takes: the same ids, styles, positions and captions as the Windows resource compiler writes.

#include <cstdint>
#include <vector>

#include "platform/gui/dialog_template.h"

namespace platform::win32 {

// WORDs, DWORD-aligned as the template's items must be when the vector's storage is.
std::vector<std::uint16_t> BuildDialogTemplate(const DialogTemplate& dialog);

}  // namespace platform::win32
