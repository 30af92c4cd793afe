#include "platform/windows/wire_text.h"

#include "platform/utf8.h"
#include "platform/windows/win32_api.h"

namespace platform::win32 {
namespace {

constexpr wchar_t kEscapeBase = 0xDC00;

bool IsEscape(wchar_t unit) {
    return unit >= 0xDC80 && unit <= 0xDCFF;
}

// Bytes of the character that starts `bytes` in the code page, as far as there are any.
std::size_t CharacterLength(std::string_view bytes) {
    if (GetACP() == CP_UTF8) {
        return std::max<std::size_t>(Utf8SequenceLength(bytes), 1);
    }
    const bool lead = IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(bytes.front())) != FALSE;
    return lead && bytes.size() >= 2 ? 2 : 1;
}

// The code page's bytes of one character; empty when it has none for it.
std::string Encode(std::wstring_view character) {
    const bool utf8 = GetACP() == CP_UTF8;
    BOOL usedDefault = FALSE;
    char buffer[8];
    const int count = WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, character.data(),
                                          static_cast<int>(character.size()), buffer, sizeof buffer,
                                          nullptr, utf8 ? nullptr : &usedDefault);
    if (count <= 0 || usedDefault != FALSE) {
        return {};
    }
    return std::string(buffer, static_cast<std::size_t>(count));
}

}  // namespace

std::wstring FromWire(std::string_view bytes) {
    std::wstring text;
    while (!bytes.empty()) {
        const auto byte = static_cast<unsigned char>(bytes.front());
        if (byte < 0x80) {
            text += static_cast<wchar_t>(byte);
            bytes.remove_prefix(1);
            continue;
        }
        const std::size_t length = CharacterLength(bytes);
        wchar_t decoded[2];
        const int count = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(),
                                              static_cast<int>(length), decoded, 2);
        const std::wstring_view character(decoded, count > 0 ? static_cast<std::size_t>(count) : 0);
        if (count > 0 && Encode(character) == bytes.substr(0, length)) {
            text += character;
            bytes.remove_prefix(length);
        } else {
            text += static_cast<wchar_t>(kEscapeBase + byte);
            bytes.remove_prefix(1);
        }
    }
    return text;
}

std::string ToWire(std::wstring_view text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size();) {
        const wchar_t unit = text[i];
        if (IsEscape(unit)) {
            bytes += static_cast<char>(unit - kEscapeBase);
            ++i;
            continue;
        }
        const bool pair =
            IS_HIGH_SURROGATE(unit) && i + 1 < text.size() && IS_LOW_SURROGATE(text[i + 1]);
        const std::size_t units = pair ? 2 : 1;
        const std::string encoded = Encode(text.substr(i, units));
        bytes += encoded.empty() ? std::string("?") : encoded;
        i += units;
    }
    return bytes;
}

bool FitsWire(std::wstring_view character) {
    return IsEscape(character.front()) || !Encode(character).empty();
}

}  // namespace platform::win32
