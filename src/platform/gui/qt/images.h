#pragma once
// Where the program's bitmaps live among the Qt resources it embeds (gui/program_resources.h);
// gui/graphics.h loads them.

#include <QPixmap>
#include <QString>

namespace platform::qt {

// Path of a bitmap in the embedded resources (":/velmora/images/…bmp"), empty for an unknown id.
QString BitmapPath(int id);
// The bitmap itself, null for an unknown id.
QPixmap LoadPixmap(int id);

}  // namespace platform::qt
