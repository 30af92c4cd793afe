#include "cli/text_out.h"

#include <cstdio>

#include "platform/utf8.h"
#include "tag/commands.h"

namespace cli {
namespace {

std::string Hex(const char* format, unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

std::string Escaped(std::string_view bytes) {
    std::string text;
    for (const char c : bytes) {
        if (tag::IsControlCharacter(c) || c == '"' || c == '\\') {
            text += Hex("\\x%02x", static_cast<unsigned char>(c));
        } else {
            text += c;
        }
    }
    return text;
}

std::string Quoted(std::string_view bytes) {
    return "\"" + Escaped(bytes) + "\"";
}

std::string JsonString(std::string_view bytes) {
    std::string text = "\"";
    while (!bytes.empty()) {
        const char c = bytes[0];
        const std::size_t length = platform::Utf8SequenceLength(bytes);
        if (length == 0) {
            text += Hex("\\u%04x", 0xDC00u + static_cast<unsigned char>(c));
            bytes.remove_prefix(1);
            continue;
        }
        if (c == '"' || c == '\\') {
            text += '\\';
            text += c;
        } else if (tag::IsControlCharacter(c)) {
            text += Hex("\\u%04x", static_cast<unsigned char>(c));
        } else {
            text.append(bytes.substr(0, length));
        }
        bytes.remove_prefix(length);
    }
    return text + "\"";
}

}  // namespace cli
