#pragma once
// Where the program's images live among the embedded Qt resources; gui/graphics.h loads them.

#include <QPixmap>
#include <QString>

namespace platform {

// Path of a bitmap in the embedded resources (":/velmora/images/…bmp"), empty for an unknown id.
QString BitmapPath(int id);
// The bitmap itself, null for an unknown id.
QPixmap LoadPixmap(int id);

// The 32 × 32, 256-colour icon, in the Windows icon format and as PNG (32 and 256 pixels).
inline constexpr char kAppIconPath[] = ":/velmora/images/velmora.ico";
inline constexpr char kAppIconPng32Path[] = ":/velmora/images/velmora-32.png";
inline constexpr char kAppIconPng256Path[] = ":/velmora/images/velmora-256.png";

}  // namespace platform
