// Draws the program's images and writes them in the formats the resources keep:
//   make_images <output folder>
// The lettering is rendered with the fonts installed on the machine, so the committed files are
// the reference; remake them only when a picture is meant to change.

#include <QColor>
#include <QDir>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "image_writers.h"

namespace {

const QColor kLetterBlue(0x00, 0x33, 0xCC);
const QColor kBannerBlue(0x1A, 0x4F, 0xB8);
const QColor kIconBlue(0x1F, 0x5F, 0xD0);
const QColor kIconEdge(0x0E, 0x2E, 0x75);

QFont LetteringFont(int pixelSize, bool italic) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(true);
    font.setItalic(italic);
    return font;
}

// The largest bold lettering up to maxPixels in which every one of texts leaves a margin of two
// pixels on each side, so that buttons of one size share one size of letters.
QFont FittingFont(const QStringList& texts, QSize box, int maxPixels) {
    for (int pixels = maxPixels;; --pixels) {
        const QFont font = LetteringFont(pixels, false);
        const QFontMetrics metrics(font);
        const bool fits = std::ranges::all_of(texts, [&](const QString& text) {
            return metrics.horizontalAdvance(text) <= box.width() - 4 &&
                   metrics.height() <= box.height() - 2;
        });
        if (fits || pixels <= 6) {
            return font;
        }
    }
}

QImage BlankImage(int width, int height, QColor fill) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

// A word or two in blue capitals on white, centred: the face of an image button.
QImage Lettering(const QString& text, QSize size, const QFont& font) {
    QImage image = BlankImage(size.width(), size.height(), Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font);
    painter.setPen(kLetterBlue);
    painter.drawText(image.rect(), Qt::AlignCenter, text);
    return image;
}

QImage LampOff() {
    QImage image = BlankImage(18, 12, QColor(0x61, 0x61, 0x61));
    QPainter painter(&image);
    painter.fillRect(image.rect().adjusted(1, 1, -1, -1), Qt::white);
    painter.fillRect(image.rect().adjusted(2, 2, -2, -2), QColor(0xB8, 0xB8, 0xB8));
    return image;
}

QImage Separator() {
    QImage image = BlankImage(485, 2, Qt::white);
    QPainter painter(&image);
    painter.fillRect(0, 0, image.width(), 1, QColor(0x80, 0x80, 0x80));
    return image;
}

QImage Banner() {
    QImage image = BlankImage(496, 58, QColor(0x37, 0x37, 0x37));
    QPainter painter(&image);
    const QRect inside = image.rect().adjusted(1, 1, -1, -1);
    QLinearGradient fade(inside.topLeft(), inside.topRight());
    fade.setColorAt(0.0, Qt::white);
    fade.setColorAt(0.3, Qt::white);
    fade.setColorAt(1.0, kBannerBlue);
    painter.fillRect(inside, fade);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(LetteringFont(32, true));
    painter.setPen(Qt::white);
    painter.drawText(inside.adjusted(0, 0, -16, 0), Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("Velmora"));
    return image;
}

// The icon's artwork in a 32-unit square: a blue tag with a punched hole and a white V.
QImage IconArtwork(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);

    QPainterPath tag;
    tag.addRoundedRect(QRectF(1.5, 3.5, 29, 25), 6, 6);
    QPainterPath hole;
    hole.addEllipse(QPointF(25.5, 9.5), 2.5, 2.5);
    painter.setPen(QPen(kIconEdge, 1.0));
    painter.setBrush(kIconBlue);
    painter.drawPath(tag.subtracted(hole));

    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    const QPolygonF letter{{6, 9}, {11, 9}, {15, 21}, {19, 9}, {24, 9}, {17.5, 26}, {12.5, 26}};
    painter.drawPolygon(letter);
    return image;
}

// Exact palette of the opaque pixels, black first (the colour under the icon's mask). The artwork
// is drawn in few flat colours so that its antialiased edges stay within 256.
QImage ToIndexed8(const QImage& artwork) {
    QList<QRgb> palette{qRgb(0, 0, 0)};
    QHash<QRgb, int> slot{{palette.front(), 0}};
    std::vector<uchar> indices;
    for (int y = 0; y < artwork.height(); ++y) {
        for (int x = 0; x < artwork.width(); ++x) {
            const QRgb argb = artwork.pixel(x, y);
            const QRgb rgb = qAlpha(argb) < 128 ? qRgb(0, 0, 0) : (argb | 0xFF000000);
            auto found = slot.find(rgb);
            if (found == slot.end()) {
                if (palette.size() == 256) {
                    return {};
                }
                found = slot.insert(rgb, static_cast<int>(palette.size()));
                palette.append(rgb);
            }
            indices.push_back(static_cast<uchar>(*found));
        }
    }
    QImage indexed(artwork.size(), QImage::Format_Indexed8);
    indexed.setColorTable(palette);
    for (int y = 0; y < indexed.height(); ++y) {
        std::copy_n(indices.begin() + y * indexed.width(), indexed.width(), indexed.scanLine(y));
    }
    return indexed;
}

// The small PNG shows exactly the icon's pixels, with its mask as transparency.
QImage IndexedWithMask(const QImage& indexed, const QImage& artwork) {
    QImage png = indexed.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < png.height(); ++y) {
        for (int x = 0; x < png.width(); ++x) {
            if (qAlpha(artwork.pixel(x, y)) < 128) {
                png.setPixel(x, y, qRgba(0, 0, 0, 0));
            }
        }
    }
    return png;
}

bool Report(bool ok, const QString& path) {
    std::fprintf(ok ? stdout : stderr, "%s %s\n", ok ? "wrote" : "could not write",
                 qPrintable(QDir::toNativeSeparators(path)));
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_images <output folder>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.exists() && !QDir().mkpath(out.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }

    struct Bitmap {
        const char* file;
        QImage image;
    };
    const QSize portButton(60, 21);
    const QFont portFont = FittingFont({"OPEN", "CLOSE"}, portButton, 13);
    const QSize tagButton(95, 36);
    const QFont tagFont =
        FittingFont({"CANCEL TAG", "START TAG", "TAG READ", "TAG WRITE"}, tagButton, 20);
    const std::vector<Bitmap> bitmaps{
        {"lamp_off.bmp", LampOff()},
        {"close.bmp", Lettering(QStringLiteral("CLOSE"), portButton, portFont)},
        {"open.bmp", Lettering(QStringLiteral("OPEN"), portButton, portFont)},
        {"banner.bmp", Banner()},
        {"separator.bmp", Separator()},
        {"cancel_tag.bmp", Lettering(QStringLiteral("CANCEL TAG"), tagButton, tagFont)},
        {"start_tag.bmp", Lettering(QStringLiteral("START TAG"), tagButton, tagFont)},
        {"tag_read.bmp", Lettering(QStringLiteral("TAG READ"), tagButton, tagFont)},
        {"tag_write.bmp", Lettering(QStringLiteral("TAG WRITE"), tagButton, tagFont)},
    };
    bool ok = true;
    for (const Bitmap& bitmap : bitmaps) {
        const QString path = out.filePath(QLatin1String(bitmap.file));
        ok = Report(make_images::WriteBmp24(bitmap.image, path), path) && ok;
    }

    const QImage artwork = IconArtwork(32);
    const QImage indexed = ToIndexed8(artwork);
    const QString icoPath = out.filePath(QStringLiteral("velmora.ico"));
    ok = Report(!indexed.isNull() && make_images::WriteIco8(indexed, artwork, icoPath), icoPath) &&
         ok;
    const QString png32Path = out.filePath(QStringLiteral("velmora-32.png"));
    ok = Report(!indexed.isNull() && IndexedWithMask(indexed, artwork).save(png32Path, "PNG"),
                png32Path) &&
         ok;
    // The sizes that desktop menus, panels and launchers draw, each drawn at its own size rather
    // than scaled from another; 32 is the icon file's, above.
    for (const int size : {16, 22, 24, 48, 256}) {
        const QString path = out.filePath(QStringLiteral("velmora-%1.png").arg(size));
        ok = Report(IconArtwork(size).save(path, "PNG"), path) && ok;
    }
    return ok ? 0 : 1;
}
