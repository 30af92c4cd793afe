#pragma once
// Hexadecimal text to bytes, as the frame's start and end bytes are written.

#include <cstdint>
#include <string_view>
#include <vector>

namespace tag {

// 0-9, A-F and a-f give their values; every other character gives 0.
std::uint8_t HexDigitValue(char c);

// Blanks (space, \n, \r, \t) are skipped; digits pair up high half first, and an unpaired last
// digit becomes a byte of its own in the low half ("123" gives 0x12 0x03).
std::vector<std::uint8_t> HexTextToBytes(std::string_view text);

}  // namespace tag
