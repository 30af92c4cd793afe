// The wire's text on Windows is in the ANSI code page, through the same conversions as the
// window's boxes (wire_text.h), so that velmora-tag and the window agree byte for byte.

#include "platform/wire_encoding.h"
#include "platform/utf8.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/wire_text.h"

namespace platform {
namespace {

bool IsEscape(wchar_t unit) {
    return unit >= 0xDC80 && unit <= 0xDCFF;
}

bool IsHighSurrogate(wchar_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

}  // namespace

Result<std::string> Utf8ToWire(std::string_view utf8) {
    const std::wstring text = win32::Widen(utf8);
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length =
            IsHighSurrogate(text[i]) && i + 1 < text.size() ? std::size_t{2} : std::size_t{1};
        if (!win32::FitsWire(std::wstring_view(text).substr(i, length))) {
            return Failure("a character that this computer's code page has no byte for");
        }
        i += length;
    }
    return win32::ToWire(text);
}

WireDecoded WireToUtf8(std::string_view wire) {
    std::wstring text = win32::FromWire(wire);
    bool lossless = true;
    for (wchar_t& unit : text) {
        if (IsEscape(unit)) {
            unit = 0xFFFD;
            lossless = false;
        }
    }
    return {win32::Narrow(text), lossless};
}

}  // namespace platform
