#include "tag/hex_text.h"

namespace tag {

std::uint8_t HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return static_cast<std::uint8_t>(c - '0');
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<std::uint8_t>(c - 'A' + 10);
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<std::uint8_t>(c - 'a' + 10);
    }
    return 0;
}

std::vector<std::uint8_t> HexTextToBytes(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 2 + 1);
    bool high = true;
    for (char c : text) {
        if (c == ' ' || c == '\n' || c == '\r' || c == '\t') {
            continue;
        }
        if (high) {
            bytes.push_back(HexDigitValue(c));
        } else {
            bytes.back() = static_cast<std::uint8_t>(bytes.back() << 4 | HexDigitValue(c));
        }
        high = !high;
    }
    return bytes;
}

}  // namespace tag
