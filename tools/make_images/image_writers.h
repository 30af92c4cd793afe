#pragma once
// Writers for the Windows image formats that the resources keep: uncompressed 24-bit bitmaps and
// single-image 8-bit icons. Qt's own writers choose the depth themselves, so they are done here
// byte by byte (little-endian, rows bottom-up, each row padded to four bytes).

#include <QImage>
#include <QString>

namespace make_images {

// Writes every pixel of image as 24-bit BGR, no compression, no colour table.
bool WriteBmp24(const QImage& image, const QString& path);

// indexed: Format_Indexed8 with at most 256 colours, colour 0 black. Pixels where transparent has
// alpha below one half are masked out: AND mask bit set and colour 0, so the screen shows through.
bool WriteIco8(const QImage& indexed, const QImage& transparent, const QString& path);

}  // namespace make_images
