#include <gtest/gtest.h>

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>

#include "platform/gui/graphics.h"
#include "platform/gui/qt/images.h"
#include "platform/gui/qt/native.h"
#include "res/program_resources.h"
#include "res/resource.h"

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray ReadSource(const char* name) {
    return ReadAll(QStringLiteral(VELMORA_RES_DIR "/") + QLatin1String(name));
}

std::uint32_t U16(const QByteArray& bytes, int at) {
    return static_cast<std::uint8_t>(bytes[at]) | static_cast<std::uint8_t>(bytes[at + 1]) << 8;
}

std::uint32_t U32(const QByteArray& bytes, int at) {
    return U16(bytes, at) | U16(bytes, at + 2) << 16;
}

std::int32_t S32(const QByteArray& bytes, int at) {
    return static_cast<std::int32_t>(U32(bytes, at));
}

struct BitmapCase {
    int id;
    int width;
    int height;
};

constexpr BitmapCase kBitmaps[] = {
    {IDB_LAMP_OFF, 18, 12},  {IDB_CLOSE, 60, 21},     {IDB_OPEN, 60, 21},
    {IDB_BANNER, 496, 58},   {IDB_SEPARATOR, 485, 2}, {IDB_CANCEL_TAG, 95, 36},
    {IDB_START_TAG, 95, 36}, {IDB_TAG_READ, 95, 36},  {IDB_TAG_WRITE, 95, 36},
};

TEST(Bitmaps, AreUncompressed24BitFilesOfTheirSize) {
    for (const BitmapCase& bitmap : kBitmaps) {
        SCOPED_TRACE(bitmap.id);
        const QByteArray bytes = ReadAll(platform::qt::BitmapPath(bitmap.id));
        ASSERT_GE(bytes.size(), 54);
        const int rowBytes = (bitmap.width * 3 + 3) / 4 * 4;
        EXPECT_EQ(bytes.left(2), "BM");
        EXPECT_EQ(U32(bytes, 2), static_cast<std::uint32_t>(bytes.size()));
        EXPECT_EQ(U32(bytes, 10), 54u);  // pixels right after the headers: no colour table
        EXPECT_EQ(U32(bytes, 14), 40u);  // BITMAPINFOHEADER
        EXPECT_EQ(S32(bytes, 18), bitmap.width);
        EXPECT_EQ(S32(bytes, 22), bitmap.height);  // positive: bottom-up rows
        EXPECT_EQ(U16(bytes, 26), 1u);
        EXPECT_EQ(U16(bytes, 28), 24u);
        EXPECT_EQ(U32(bytes, 30), 0u);  // BI_RGB
        EXPECT_EQ(bytes.size(), 54 + rowBytes * bitmap.height);
        EXPECT_EQ(platform::qt::LoadPixmap(bitmap.id).size(), QSize(bitmap.width, bitmap.height));
    }
}

TEST(Bitmaps, IdentifiersThatAreNoBitmapLoadNothing) {
    for (int id : {0, IDR_MAINFRAME, IDD_MAIN, IDB_LAMP_OFF + 1}) {
        EXPECT_TRUE(platform::qt::BitmapPath(id).isEmpty()) << id;
        EXPECT_TRUE(platform::LoadBitmap(id).IsNull()) << id;
    }
}

QRgb Pixel(int id, int x, int y) {
    return platform::qt::LoadPixmap(id).toImage().pixel(x, y) & 0xFFFFFF;
}

TEST(Bitmaps, FramesAndLinesHaveTheirColours) {
    EXPECT_EQ(Pixel(IDB_LAMP_OFF, 0, 0), 0x616161u);
    EXPECT_EQ(Pixel(IDB_LAMP_OFF, 17, 11), 0x616161u);
    EXPECT_EQ(Pixel(IDB_LAMP_OFF, 1, 1), 0xFFFFFFu);
    EXPECT_EQ(Pixel(IDB_LAMP_OFF, 16, 10), 0xFFFFFFu);
    EXPECT_EQ(Pixel(IDB_LAMP_OFF, 2, 2), 0xB8B8B8u);
    EXPECT_EQ(Pixel(IDB_LAMP_OFF, 9, 6), 0xB8B8B8u);

    for (int x : {0, 242, 484}) {
        EXPECT_EQ(Pixel(IDB_SEPARATOR, x, 0), 0x808080u) << x;
        EXPECT_EQ(Pixel(IDB_SEPARATOR, x, 1), 0xFFFFFFu) << x;
    }

    for (auto [x, y] : {std::pair{0, 0}, {495, 57}, {248, 0}, {248, 57}, {0, 29}, {495, 29}}) {
        EXPECT_EQ(Pixel(IDB_BANNER, x, y), 0x373737u) << x << "," << y;
    }
    EXPECT_EQ(Pixel(IDB_BANNER, 2, 29), 0xFFFFFFu);
    const QColor right = QColor::fromRgb(Pixel(IDB_BANNER, 493, 3));
    EXPECT_GT(right.blue(), right.red() + 100);
}

TEST(Bitmaps, ButtonFacesAreBlueLetteringOnWhite) {
    for (int id :
         {IDB_OPEN, IDB_CLOSE, IDB_CANCEL_TAG, IDB_START_TAG, IDB_TAG_READ, IDB_TAG_WRITE}) {
        SCOPED_TRACE(id);
        const QImage image = platform::qt::LoadPixmap(id).toImage();
        int ink = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor colour = image.pixelColor(x, y);
                EXPECT_GE(colour.blue(), colour.red()) << x << "," << y;
                ink += colour.blue() > colour.red() + 120 ? 1 : 0;
            }
        }
        EXPECT_EQ(image.pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);
        EXPECT_GT(ink, image.width() * image.height() / 20);
    }
}

TEST(AppIcon, IsOne32By32ImageWith256Colours) {
    const QByteArray bytes = ReadAll(QString::fromLatin1(res::kAppIconPath));
    ASSERT_GE(bytes.size(), 62);
    EXPECT_EQ(U16(bytes, 0), 0u);
    EXPECT_EQ(U16(bytes, 2), 1u);  // icon, not cursor
    EXPECT_EQ(U16(bytes, 4), 1u);  // one image
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[6]), 32);
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[7]), 32);
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[8]), 0);  // 256 colours
    EXPECT_EQ(U16(bytes, 12), 8u);
    const std::uint32_t length = U32(bytes, 14);
    const std::uint32_t offset = U32(bytes, 18);
    ASSERT_EQ(offset + length, static_cast<std::uint32_t>(bytes.size()));

    const int header = static_cast<int>(offset);
    EXPECT_EQ(U32(bytes, header), 40u);
    EXPECT_EQ(S32(bytes, header + 4), 32);
    EXPECT_EQ(S32(bytes, header + 8), 64);  // colour rows and mask rows
    EXPECT_EQ(U16(bytes, header + 14), 8u);
    EXPECT_EQ(U32(bytes, header + 16), 0u);
    // 256 palette entries, 32 rows of 32 indices, 32 mask rows of 4 bytes.
    EXPECT_EQ(length, 40u + 256 * 4 + 32 * 32 + 32 * 4);
}

TEST(AppIcon, PngAndIconFileShowTheSamePixels) {
    const QImage ico(QString::fromLatin1(res::kAppIconPath), "ICO");
    const QImage png(QString::fromLatin1(res::kAppIconPng32Path));
    ASSERT_EQ(ico.size(), QSize(32, 32));
    ASSERT_EQ(png.size(), QSize(32, 32));
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            EXPECT_EQ(ico.pixel(x, y), png.pixel(x, y)) << x << "," << y;
        }
    }
    const QIcon icon = platform::qt::ToQIcon(platform::LoadAppIcon());
    EXPECT_EQ(icon.availableSizes(), QList<QSize>{QSize(32, 32)});
    EXPECT_EQ(QImage(QString::fromLatin1(res::kAppIconPng256Path)).size(), QSize(256, 256));
}

// The icon theme's sizes, each its own drawing of the artwork: a clear corner, the blue tag at
// its left edge, the white V in its lower middle, and the punched hole clear again.
TEST(AppIcon, EveryThemeSizeShowsTheTag) {
    for (const int size : {16, 22, 24, 32, 48, 256}) {
        SCOPED_TRACE(size);
        const QImage png(QStringLiteral(VELMORA_RES_DIR "/images/velmora-%1.png").arg(size));
        ASSERT_EQ(png.size(), QSize(size, size));
        const auto at = [&](double x, double y) {
            return png.pixelColor(static_cast<int>(x * size / 32), static_cast<int>(y * size / 32));
        };
        EXPECT_EQ(at(0, 0).alpha(), 0);
        EXPECT_LT(at(25.5, 9.5).alpha(), 128);  // at 16 pixels the edge's antialiasing reaches in
        const QColor tag = at(3.5, 16);
        EXPECT_EQ(tag.alpha(), 255);
        EXPECT_GT(tag.blue(), tag.red() + 100);
        const QColor letter = at(15, 23);
        EXPECT_EQ(letter.alpha(), 255);
        EXPECT_GT(letter.red(), 200);
        EXPECT_GT(letter.green(), 200);
    }
}

TEST(ResourceScript, MacrosAgreeWithTheConstants) {
    const QString header = QString::fromLatin1(ReadSource("resource_rc.h"));
    const QRegularExpression define(QStringLiteral(R"(#define\s+(\w+)\s+(-?\d+))"));
    int checked = 0;
    for (const QRegularExpressionMatch& match : define.globalMatch(header)) {
        const std::string name = match.captured(1).toStdString();
        const auto* symbol = std::ranges::find(res::kResourceSymbols, std::string_view(name),
                                               &res::ResourceSymbol::name);
        ASSERT_NE(symbol, std::end(res::kResourceSymbols)) << name;
        EXPECT_EQ(symbol->value, match.captured(2).toInt()) << name;
        ++checked;
    }
    EXPECT_EQ(checked, 11);
}

// The script with the image lines that the build produces for it.
TEST(ResourceScript, NamesFilesThatExistAndTheVersionRecord) {
    const QString script = QString::fromLatin1(ReadSource("velmora.rc"));
    ASSERT_TRUE(script.contains(QLatin1String("#include \"images.rc\"")));
    const QString images =
        QString::fromLatin1(ReadAll(QStringLiteral(VELMORA_RC_GENERATED_DIR "/images.rc")));
    const QRegularExpression file(QString::fromLatin1(R"re((?:ICON|BITMAP|24)\s+"([^"]+)")re"));
    int files = 0;
    for (const QRegularExpressionMatch& match : file.globalMatch(script + images)) {
        const QString named = match.captured(1);
        EXPECT_TRUE(QFile::exists(QDir(QStringLiteral(VELMORA_RES_DIR)).filePath(named)))
            << named.toStdString();
        ++files;
    }
    EXPECT_EQ(files, 11);

    EXPECT_TRUE(script.contains(QLatin1String("#include \"version_record.rc\"")));
}

TEST(Manifest, IsWellFormedAndAsksForAdministratorRights) {
    QXmlStreamReader xml(ReadSource("Velmora.exe.manifest"));
    QString level;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("requestedExecutionLevel")) {
            level = xml.attributes().value(QLatin1String("level")).toString();
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(level, QLatin1String("requireAdministrator"));
}

}  // namespace
