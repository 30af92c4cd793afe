#include "platform/qt/images.h"

#include <algorithm>
#include <iterator>

#include <QImageReader>

#include "gui/dialog.h"
#include "gui/graphics.h"
#include "res/resource.h"

namespace platform {
namespace {

struct BitmapFile {
    int id;
    const char* file;
};

constexpr BitmapFile kBitmaps[] = {
    {IDB_LAMP_OFF, "lamp_off.bmp"},   {IDB_CLOSE, "close.bmp"},
    {IDB_OPEN, "open.bmp"},           {IDB_BANNER, "banner.bmp"},
    {IDB_SEPARATOR, "separator.bmp"}, {IDB_CANCEL_TAG, "cancel_tag.bmp"},
    {IDB_START_TAG, "start_tag.bmp"}, {IDB_TAG_READ, "tag_read.bmp"},
    {IDB_TAG_WRITE, "tag_write.bmp"},
};

// Qt offers a file to every image-format plugin before its own decoder unless told the format
// and told not to guess; that loads plugins the program never needs, at every start.
QPixmap ReadImage(const QString& path, const char* format) {
    QImageReader reader(path, format);
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

}  // namespace

QString BitmapPath(int id) {
    const auto* found = std::ranges::find(kBitmaps, id, &BitmapFile::id);
    if (found == std::end(kBitmaps)) {
        return {};
    }
    return QStringLiteral(":/velmora/images/") + QLatin1String(found->file);
}

Bitmap LoadBitmap(int id) {
    const QString path = BitmapPath(id);
    return path.isEmpty() ? QPixmap() : ReadImage(path, "BMP");
}

Icon LoadAppIcon() {
    // The 32-pixel PNG carries the icon file's pixels and needs no image-format plugin. The
    // 256-pixel one is for the desktop entry: decoding it here would cost every start.
    QIcon icon;
    icon.addPixmap(ReadImage(QString::fromLatin1(kAppIconPng32Path), "PNG"));
    return icon;
}

PaintDC::PaintDC(Dialog& dialog) : m_dialog(dialog), m_painter(&dialog) {}

void PaintDC::EraseIconBackground() {
    m_painter.eraseRect(m_dialog.rect());
}

void PaintDC::DrawIcon(Point at, const Icon& icon, Size size) {
    const QSize pixels(size.cx, size.cy);
    m_painter.drawPixmap(QRect(QPoint(at.x, at.y), pixels), icon.pixmap(pixels));
}

}  // namespace platform
