// The boxes hold the device's bytes: any byte string comes back from a box exactly as it went in.

#include <gtest/gtest.h>

#include "platform/gui/qt/wire_text.h"

namespace {

using namespace std::string_literals;

TEST(WireText, EveryByteStringSurvivesTheBoxes) {
    struct Row {
        const char* name;
        std::string bytes;
        qsizetype characters;
    };
    const Row rows[] = {
        {"ascii", "www.velmora.kr", 14},
        {"utf-8 hangul", "\xED\x95\x9C", 1},
        {"four-byte character", "\xF0\x9F\x99\x82", 2},  // two UTF-16 halves, one character
        {"latin-1", "caf\xE9", 4},
        {"stray continuation", "\x80x", 2},
        {"overlong slash", "\xC0\xAF", 2},
        {"encoded surrogate", "\xED\xA0\x80", 3},
        {"cut at the end", "ab\xE2\x82", 4},
        {"above the last code point", "\xF4\x90\x80\x80", 4},
        {"nul and controls", "a\0\x04"s, 3},
        {"every high byte",
         [] {
             std::string all;
             for (int b = 0x80; b <= 0xFF; ++b) {
                 all += static_cast<char>(b);
             }
             return all;
         }(),
         128},
    };
    for (const Row& row : rows) {
        const QString text = platform::qt::FromWire(row.bytes);
        EXPECT_EQ(text.size(), row.characters) << row.name;
        EXPECT_EQ(platform::qt::ToWire(text), row.bytes) << row.name;
        EXPECT_EQ(platform::qt::WireLength(text), row.bytes.size()) << row.name;
    }
    // Half of a character typed or pasted alone has no bytes of its own to keep.
    EXPECT_EQ(platform::qt::ToWire(QString(QChar(0xD800))), "\xEF\xBF\xBD");
}

}  // namespace
