#include "tag/commands.h"

#include <algorithm>

#include "tag/hex_text.h"

namespace tag {
namespace {
constexpr std::size_t kHexPiece = 8;

bool WriteWhole(const ByteWriter& write, const void* data, std::size_t count) {
    const auto n = static_cast<std::int32_t>(count);
    return write(data, n) == n;
}
}  // namespace

std::string WithoutControlCharacters(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::copy_if(text.begin(), text.end(), std::back_inserter(out),
                 [](char c) { return !IsControlCharacter(c); });
    return out;
}

std::string HomepagePayload(std::string_view homepage, bool lock) {
    return (lock ? "L" : "U") + WithoutControlCharacters(homepage);
}

std::string TableInfoPayload(std::string_view tableInfo) {
    return "W" + WithoutControlCharacters(tableInfo);
}

bool SendHexBytes(const ByteWriter& write, std::string_view text) {
    const std::vector<std::uint8_t> bytes = HexTextToBytes(text);
    for (std::size_t offset = 0; offset < bytes.size(); offset += kHexPiece) {
        if (!WriteWhole(write, bytes.data() + offset, std::min(kHexPiece, bytes.size() - offset))) {
            return false;
        }
    }
    return true;
}

bool SendFrame(const ByteWriter& write, std::string_view payload) {
    return SendHexBytes(write, "01") && WriteWhole(write, payload.data(), payload.size()) &&
           SendHexBytes(write, "04");
}

}  // namespace tag
