#pragma once
// The program's images, embedded as Qt resources: the 24-bit bitmaps by their IDB_ identifiers
// and the application icon IDR_MAINFRAME. A pixmap is in logical pixels, so on a high-density
// screen it keeps its size on screen and is scaled up.

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace res {

// Path of a bitmap in the embedded resources (":/velmora/images/…bmp"), empty for an unknown id.
QString BitmapPath(int id);
// Null pixmap when the id names no bitmap.
QPixmap LoadBitmap(int id);

// The 32 × 32, 256-colour icon, in the Windows icon format and as PNG (32 and 256 pixels).
inline constexpr char kAppIconPath[] = ":/velmora/images/velmora.ico";
inline constexpr char kAppIconPng32Path[] = ":/velmora/images/velmora-32.png";
inline constexpr char kAppIconPng256Path[] = ":/velmora/images/velmora-256.png";
QIcon LoadAppIcon();

}  // namespace res
