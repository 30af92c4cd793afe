// The hex-text encoder against a plain reference: blanks never count, digits pair up high half
// first, an unpaired last digit stands alone, and a character that is no hex digit counts as 0.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "tag/hex_text.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

std::uint8_t ReferenceValue(char c) {
    constexpr std::string_view kLower = "0123456789abcdef";
    constexpr std::string_view kUpper = "0123456789ABCDEF";
    std::size_t at = kLower.find(c);
    if (at == std::string_view::npos) {
        at = kUpper.find(c);
    }
    return at == std::string_view::npos ? 0 : static_cast<std::uint8_t>(at);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string digits;
    for (char c : text) {
        fuzz::Require(tag::HexDigitValue(c) == ReferenceValue(c), "digit value");
        if (!IsBlank(c)) {
            digits.push_back(c);
        }
    }

    const std::vector<std::uint8_t> bytes = tag::HexTextToBytes(text);
    fuzz::Require(bytes.size() == (digits.size() + 1) / 2, "one byte per two digits, rounded up");
    fuzz::Require(bytes == tag::HexTextToBytes(digits), "blanks change nothing");
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::size_t high = 2 * i;
        const std::uint8_t expected =
            high + 1 < digits.size() ? static_cast<std::uint8_t>(ReferenceValue(digits[high]) << 4 |
                                                                 ReferenceValue(digits[high + 1]))
                                     : ReferenceValue(digits[high]);
        fuzz::Require(bytes[i] == expected, "each byte is its two digits, high half first");
    }
    return 0;
}
