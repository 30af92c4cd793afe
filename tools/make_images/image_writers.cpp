#include "image_writers.h"

#include <QByteArray>
#include <QFile>
#include <cstdint>

namespace make_images {
namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;
constexpr int kPixelsPerMetre96Dpi = 3780;

void PutU16(QByteArray& out, std::uint16_t value) {
    out.append(static_cast<char>(value & 0xFF));
    out.append(static_cast<char>(value >> 8));
}

void PutU32(QByteArray& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.append(static_cast<char>((value >> shift) & 0xFF));
    }
}

int PaddedRowBytes(int bitsPerRow) {
    return ((bitsPerRow + 31) / 32) * 4;
}

// BITMAPINFOHEADER; an icon's header counts the colour rows and the mask rows in its height.
void PutInfoHeader(QByteArray& out, int width, int height, int bitCount, int imageBytes) {
    PutU32(out, kInfoHeaderSize);
    PutU32(out, static_cast<std::uint32_t>(width));
    PutU32(out, static_cast<std::uint32_t>(height));
    PutU16(out, 1);  // planes
    PutU16(out, static_cast<std::uint16_t>(bitCount));
    PutU32(out, 0);  // BI_RGB: uncompressed
    PutU32(out, static_cast<std::uint32_t>(imageBytes));
    PutU32(out, kPixelsPerMetre96Dpi);
    PutU32(out, kPixelsPerMetre96Dpi);
    PutU32(out, 0);  // colours used: all that the bit count allows
    PutU32(out, 0);  // important colours: all
}

void PadRow(QByteArray& out, int written, int rowBytes) {
    out.append(QByteArray(rowBytes - written, '\0'));
}

bool WriteFile(const QByteArray& bytes, const QString& path) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size() && file.flush();
}

}  // namespace

bool WriteBmp24(const QImage& image, const QString& path) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const int rowBytes = PaddedRowBytes(rgb.width() * 24);
    const int imageBytes = rowBytes * rgb.height();

    QByteArray out;
    out.append("BM");
    PutU32(out, static_cast<std::uint32_t>(kFileHeaderSize + kInfoHeaderSize + imageBytes));
    PutU32(out, 0);  // reserved
    PutU32(out, kFileHeaderSize + kInfoHeaderSize);
    PutInfoHeader(out, rgb.width(), rgb.height(), 24, imageBytes);
    for (int y = rgb.height() - 1; y >= 0; --y) {
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb pixel = rgb.pixel(x, y);
            out.append(static_cast<char>(qBlue(pixel)));
            out.append(static_cast<char>(qGreen(pixel)));
            out.append(static_cast<char>(qRed(pixel)));
        }
        PadRow(out, rgb.width() * 3, rowBytes);
    }
    return WriteFile(out, path);
}

bool WriteIco8(const QImage& indexed, const QImage& transparent, const QString& path) {
    if (indexed.format() != QImage::Format_Indexed8 || indexed.colorCount() > 256 ||
        indexed.colorCount() == 0 || (indexed.color(0) & 0xFFFFFF) != 0 ||
        indexed.size() != transparent.size() || indexed.width() > 256 || indexed.height() > 256) {
        return false;
    }
    const int width = indexed.width();
    const int height = indexed.height();
    const int colourRowBytes = PaddedRowBytes(width * 8);
    const int maskRowBytes = PaddedRowBytes(width);
    const int imageBytes = (colourRowBytes + maskRowBytes) * height;
    const int resourceBytes = kInfoHeaderSize + 256 * 4 + imageBytes;
    const auto masked = [&](int x, int y) { return qAlpha(transparent.pixel(x, y)) < 128; };

    QByteArray out;
    PutU16(out, 0);  // reserved
    PutU16(out, 1);  // icon
    PutU16(out, 1);  // one image
    out.append(static_cast<char>(width == 256 ? 0 : width));
    out.append(static_cast<char>(height == 256 ? 0 : height));
    out.append('\0');  // 256 colours are written as 0
    out.append('\0');  // reserved
    PutU16(out, 1);    // planes
    PutU16(out, 8);    // bits per pixel
    PutU32(out, static_cast<std::uint32_t>(resourceBytes));
    PutU32(out, 6 + 16);  // the image follows the directory

    PutInfoHeader(out, width, height * 2, 8, imageBytes);
    for (int i = 0; i < 256; ++i) {
        const QRgb colour = i < indexed.colorCount() ? indexed.color(i) : 0;
        out.append(static_cast<char>(qBlue(colour)));
        out.append(static_cast<char>(qGreen(colour)));
        out.append(static_cast<char>(qRed(colour)));
        out.append('\0');
    }
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            out.append(static_cast<char>(masked(x, y) ? 0 : indexed.pixelIndex(x, y)));
        }
        PadRow(out, width, colourRowBytes);
    }
    for (int y = height - 1; y >= 0; --y) {
        QByteArray row(maskRowBytes, '\0');
        for (int x = 0; x < width; ++x) {
            if (masked(x, y)) {
                row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
            }
        }
        out.append(row);
    }
    return WriteFile(out, path);
}

}  // namespace make_images
