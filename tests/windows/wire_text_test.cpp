// Text between the boxes and the wire in the ANSI code page, run under Wine twice: in its default
// Western code page (1252) and with a Korean locale (949, double-byte), where a byte may be half a
// character and a lead byte may come without its trail.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/windows/wire_text.h"

// After our own headers: its macros would rewrite their names.
#include "platform/windows/win32_api.h"

namespace {

using platform::win32::FitsWire;
using platform::win32::FromWire;
using platform::win32::ToWire;

TEST(WireText, EveryByteAndBytePairComesBackUnchanged) {
    for (int first = 0; first < 0x100; ++first) {
        const std::string one(1, static_cast<char>(first));
        ASSERT_EQ(ToWire(FromWire(one)), one) << first;
        for (int second = 0; second < 0x100; second += 7) {
            const std::string two = one + static_cast<char>(second);
            ASSERT_EQ(ToWire(FromWire(two)), two) << first << ' ' << second;
        }
    }
}

TEST(WireText, TextIsReadInTheSystemsCodePage) {
    // The runner says which code page its locale must have given Wine.
    if (const char* expected = std::getenv("VELMORA_EXPECT_ACP")) {
        ASSERT_EQ(GetACP(), static_cast<UINT>(std::atoi(expected)));
    }
    const std::string hangul = "\xC7\xD1\xB1\xDB";  // two syllables in code page 949
    if (GetACP() == 949) {
        EXPECT_EQ(FromWire(hangul), L"\uD55C\uAE00");
        EXPECT_EQ(ToWire(L"\uD55C\uAE00"), hangul);
        // A lead byte without its trail is kept as that byte, and the text after it is read.
        EXPECT_EQ(FromWire("\xC7"
                           "A"),
                  std::wstring(L"\xDCC7") + L"A");
    } else {
        ASSERT_EQ(GetACP(), 1252u);
        EXPECT_EQ(FromWire(hangul), L"\u00C7\u00D1\u00B1\u00DB");
        EXPECT_EQ(FromWire("\x80"), L"\u20AC");
    }
}

TEST(WireText, CharactersTheCodePageLacksNeverReachTheWireUnnoticed) {
    // Thai is in neither code page; a best-fit stand-in would change the text.
    EXPECT_FALSE(FitsWire(L"\u0E01"));
    EXPECT_EQ(ToWire(L"a\u0E01b"), "a?b");
    EXPECT_TRUE(FitsWire(L"A"));
    EXPECT_TRUE(FitsWire(L"\xDC81"));
}

}  // namespace
