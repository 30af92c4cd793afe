#pragma once
// What the window framework takes from the program it shows: the dialogs' templates, the names of
// the program's identifiers and the images. The application object hands them in as it is
// constructed (gui/app.h), before main runs and so before any dialog; the framework keeps only a
// reference, so they must live as long as the program.

#include <span>
#include <string_view>

#include "platform/gui/dialog_template.h"

namespace platform {

// An image by the identifier the program loads it with and its file among the program's images.
struct ImageFile {
    int id;
    std::string_view file;
};

struct ProgramResources {
    // Null for an identifier that names no dialog.
    const DialogTemplate* (*findDialog)(int id);
    // An identifier's name ("IDC_BTN_OPEN"), empty for one without: the Qt backend names each
    // control's widget after it.
    std::string_view (*symbolName)(int id);
    // Where the program embeds its image files among Qt's resources (":/velmora/images/"). The
    // Win32 backend loads the same images by their identifiers from the executable's resources.
    std::string_view imageFolder;
    std::span<const ImageFile> bitmaps;  // the 24-bit bitmaps, BMP files
    ImageFile appIcon;                   // the application icon; on Qt its 32-pixel PNG
};

// What the application object handed in; before it has, no dialog, name or image is found.
const ProgramResources& Resources();

}  // namespace platform
