#include "platform/gui/qt/images.h"

#include <algorithm>
#include <iterator>

#include <QImageReader>
#include <QPainter>

#include <memory>
#include <utility>

#include "platform/gui/graphics.h"
#include "platform/gui/qt/native.h"
#include "res/resource.h"

namespace platform {
namespace {

struct BitmapFile {
    int id;
    const char* file;
};

// Produced by the build from the one list of the program's images (src/res/images.cmake).
constexpr BitmapFile kBitmaps[] = {
#include "bitmap_files.inc"
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

QPixmap LoadPixmap(int id) {
    const QString path = BitmapPath(id);
    return path.isEmpty() ? QPixmap() : ReadImage(path, "BMP");
}

Bitmap LoadBitmap(int id) {
    QPixmap pixmap = LoadPixmap(id);
    if (pixmap.isNull()) {
        return {};
    }
    return Bitmap(std::make_shared<const Bitmap::Image>(Bitmap::Image{std::move(pixmap)}));
}

Icon LoadAppIcon() {
    // The 32-pixel PNG carries the icon file's pixels and needs no image-format plugin. The
    // 256-pixel one is for the desktop entry: decoding it here would cost every start.
    QIcon icon;
    icon.addPixmap(ReadImage(QString::fromLatin1(kAppIconPng32Path), "PNG"));
    return Icon(std::make_shared<const Icon::Image>(Icon::Image{std::move(icon)}));
}

struct PaintDC::State {
    explicit State(QDialog& window) : window(window), painter(&window) {}
    QDialog& window;
    QPainter painter;
};

PaintDC::PaintDC(Dialog& dialog) : m_state(std::make_unique<State>(qt::Window(dialog))) {}

PaintDC::~PaintDC() = default;

void PaintDC::EraseIconBackground() {
    m_state->painter.eraseRect(m_state->window.rect());
}

void PaintDC::DrawIcon(Point at, const Icon& icon, Size size) {
    const QSize pixels(size.cx, size.cy);
    m_state->painter.drawPixmap(QRect(QPoint(at.x, at.y), pixels),
                                qt::ToQIcon(icon).pixmap(pixels));
}

}  // namespace platform
