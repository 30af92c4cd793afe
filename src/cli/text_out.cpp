#include "cli/text_out.h"

#include <cstdio>

#include "platform/wire_encoding.h"
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

std::string JsonItem(std::string_view name, std::string_view bytes) {
    const platform::WireDecoded decoded = platform::WireToUtf8(bytes);
    std::string text = "\"" + std::string(name) + "\": \"";
    for (const char c : decoded.utf8) {
        if (c == '"' || c == '\\') {
            text += '\\';
            text += c;
        } else if (tag::IsControlCharacter(c)) {
            text += Hex("\\u%04x", static_cast<unsigned char>(c));
        } else {
            text += c;
        }
    }
    text += '"';
    if (!decoded.lossless) {
        text += ", \"" + std::string(name) + "_hex\": \"";
        for (const char c : bytes) {
            text += Hex("%02x", static_cast<unsigned char>(c));
        }
        text += '"';
    }
    return text;
}

}  // namespace cli
