#pragma once
// Tag texts and device answers as velmora-tag prints them.

#include <string>
#include <string_view>

namespace cli {

// Control bytes, quotes and backslashes as \xNN; everything else, UTF-8 included, as it is. A
// device's answer can hold anything, and a line end in it must not break the line it is
// reported on.
std::string Escaped(std::string_view bytes);
// The same inside double quotes.
std::string Quoted(std::string_view bytes);

// A tag's item as JSON members: `"name": "text"`, the text as the window shows the bytes (UTF-8
// on Linux, the ANSI code page on Windows). When some bytes stand for no character (a tag written
// by another tool in another code page) they show as U+FFFD, and `"name_hex": "…"` follows with
// every byte, so that a script can still have them; JSON text never carries a lone surrogate.
std::string JsonItem(std::string_view name, std::string_view bytes);

}  // namespace cli
