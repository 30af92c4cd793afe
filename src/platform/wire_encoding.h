#pragma once
// Text between the operator's files and the wire, as the window puts it there: UTF-8 on Linux,
// the ANSI code page on Windows (where a program's 8-bit strings are in it). velmora-tag reads
// batch files and prints JSON in UTF-8 whatever the platform, so it converts here.

#include <string>
#include <string_view>

#include "platform/result.h"

namespace platform {

// The bytes the window would send for this UTF-8 text; else why not (a character has no byte in
// the wire's encoding).
[[nodiscard]] Result<std::string> Utf8ToWire(std::string_view utf8);

struct WireDecoded {
    std::string utf8;  // a byte that stands for no character became U+FFFD
    bool lossless;     // every byte stood for a character: `utf8` gives the bytes back
};
// The characters that the window would show for these bytes.
WireDecoded WireToUtf8(std::string_view wire);

}  // namespace platform
