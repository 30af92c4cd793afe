#include "platform/gui/qt/images.h"

#include <algorithm>

#include <QImageReader>
#include <QPainter>

#include <memory>
#include <span>
#include <string_view>
#include <utility>

#include "platform/gui/graphics.h"
#include "platform/gui/program_resources.h"
#include "platform/gui/qt/native.h"

namespace platform {
namespace {

// Qt offers a file to every image-format plugin before its own decoder unless told the format
// and told not to guess; that loads plugins the program never needs, at every start.
QPixmap ReadImage(const QString& path, const char* format) {
    QImageReader reader(path, format);
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

QString ImagePath(std::string_view file) {
    const std::string_view folder = Resources().imageFolder;
    return QString::fromUtf8(folder.data(), static_cast<qsizetype>(folder.size())) +
           QString::fromUtf8(file.data(), static_cast<qsizetype>(file.size()));
}

}  // namespace

namespace qt {

QString BitmapPath(int id) {
    const std::span<const ImageFile> bitmaps = Resources().bitmaps;
    const auto found = std::ranges::find(bitmaps, id, &ImageFile::id);
    return found == bitmaps.end() ? QString() : ImagePath(found->file);
}

QPixmap LoadPixmap(int id) {
    const QString path = BitmapPath(id);
    return path.isEmpty() ? QPixmap() : ReadImage(path, "BMP");
}

}  // namespace qt

Bitmap LoadBitmap(int id) {
    QPixmap pixmap = qt::LoadPixmap(id);
    if (pixmap.isNull()) {
        return {};
    }
    return Bitmap(std::make_shared<const Bitmap::Image>(Bitmap::Image{std::move(pixmap)}));
}

Icon LoadAppIcon() {
    // The 32-pixel PNG carries the icon file's pixels and needs no image-format plugin. The
    // 256-pixel one is for the desktop entry: decoding it here would cost every start.
    QIcon icon;
    icon.addPixmap(ReadImage(ImagePath(Resources().appIcon.file), "PNG"));
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
