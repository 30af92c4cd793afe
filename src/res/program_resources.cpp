#include "res/program_resources.h"

#include "res/dialog_templates.h"
#include "res/resource.h"

namespace res {
namespace {

// Produced by the build from the one list of the program's images (images.cmake).
constexpr platform::ImageFile kBitmaps[] = {
#include "bitmap_files.inc"
};

}  // namespace

constexpr platform::ProgramResources kProgramResources{
    FindDialogTemplate,
    ResourceSymbolName,
    kImageFolder,
    kBitmaps,
    {IDR_MAINFRAME, "velmora-32.png"},
};

}  // namespace res
