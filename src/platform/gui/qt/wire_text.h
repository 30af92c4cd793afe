#pragma once
// Text between the boxes and the wire.
//
// The device's texts are bytes, one character each, and need not be valid UTF-8 (a tag written by
// another tool may hold Latin-1). Valid UTF-8 decodes as usual; every byte that does not belong
// to a valid sequence becomes one of the code points U+DC80..U+DCFF, which no valid UTF-8 text
// can produce, and turns back into that same byte. A READ followed by a WRITE therefore sends
// back exactly the bytes the device gave, and editing one box never changes another's bytes.

#include <QString>

#include <cstddef>
#include <string>
#include <string_view>

namespace platform::qt {

QString FromWire(std::string_view bytes);
std::string ToWire(const QString& text);
// Bytes the text takes on the wire: what the tag's limits count.
std::size_t WireLength(const QString& text);
// Whether a cut at `index` would split one character's two UTF-16 halves.
bool InsideCharacter(const QString& text, qsizetype index);

}  // namespace platform::qt
