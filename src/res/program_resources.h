#pragma once
// The program's resources as the window framework takes them (platform/gui/program_resources.h),
// and where velmora_res embeds the image files among Qt's resources on a Qt build.

#include "platform/gui/program_resources.h"

namespace res {

inline constexpr char kImageFolder[] = ":/velmora/images/";
// The 32 × 32, 256-colour icon, in the Windows icon format and as PNG (32 and 256 pixels).
inline constexpr char kAppIconPath[] = ":/velmora/images/velmora.ico";
inline constexpr char kAppIconPng32Path[] = ":/velmora/images/velmora-32.png";
inline constexpr char kAppIconPng256Path[] = ":/velmora/images/velmora-256.png";

// What the application object hands the framework.
extern const platform::ProgramResources kProgramResources;

}  // namespace res
