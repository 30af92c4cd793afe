#include "platform/gui/qt/wire_text.h"

#include "platform/utf8.h"

namespace platform::qt {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;  // + the byte, for bytes 0x80..0xFF

// The code point of the well-formed sequence of `length` bytes at the start of `bytes`.
char32_t DecodeOne(std::string_view bytes, std::size_t length) {
    constexpr unsigned char kLeadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    char32_t cp = static_cast<unsigned char>(bytes[0]) & kLeadBits[length];
    for (std::size_t i = 1; i < length; ++i) {
        cp = cp << 6 | (static_cast<unsigned char>(bytes[i]) & 0x3F);
    }
    return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | cp >> 18);
        out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool IsEscapedByte(char16_t unit) {
    return unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF;
}

}  // namespace

QString FromWire(std::string_view bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    while (!bytes.empty()) {
        std::size_t length = Utf8SequenceLength(bytes);
        char32_t cp = 0;
        if (length == 0) {
            cp = kEscapeBase + static_cast<unsigned char>(bytes[0]);
            length = 1;
        } else {
            cp = DecodeOne(bytes, length);
        }
        if (QChar::requiresSurrogates(cp)) {
            text.append(QChar(QChar::highSurrogate(cp)));
            text.append(QChar(QChar::lowSurrogate(cp)));
        } else {
            text.append(QChar(static_cast<char16_t>(cp)));  // escapes stay lone halves on purpose
        }
        bytes.remove_prefix(length);
    }
    return text;
}

std::string ToWire(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() &&
            QChar::isLowSurrogate(text[i + 1].unicode())) {
            AppendUtf8(bytes, QChar::surrogateToUcs4(unit, text[++i].unicode()));
        } else if (IsEscapedByte(unit)) {
            bytes += static_cast<char>(unit - kEscapeBase);
        } else if (QChar::isSurrogate(unit)) {
            AppendUtf8(bytes, QChar::ReplacementCharacter);  // half a character: nothing to keep
        } else {
            AppendUtf8(bytes, unit);
        }
    }
    return bytes;
}

std::size_t WireLength(const QString& text) {
    return ToWire(text).size();
}

bool InsideCharacter(const QString& text, qsizetype index) {
    return index > 0 && index < text.size() && text[index - 1].isHighSurrogate() &&
           text[index].isLowSurrogate();
}

}  // namespace platform::qt
