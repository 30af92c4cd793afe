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

// A JSON string literal. Valid UTF-8 passes; a byte that is not (a tag written from another code
// page) becomes the lone surrogate U+DC00 + its value (U+DC80..U+DCFF), the mapping
// that lets a reader restore the exact bytes.
std::string JsonString(std::string_view bytes);

}  // namespace cli
