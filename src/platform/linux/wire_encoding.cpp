// The wire's text on Linux is UTF-8, as the operator's files and terminals are.

#include "platform/wire_encoding.h"
#include "platform/utf8.h"

namespace platform {

Result<std::string> Utf8ToWire(std::string_view utf8) {
    return std::string(utf8);
}

WireDecoded WireToUtf8(std::string_view wire) {
    WireDecoded decoded{{}, true};
    decoded.utf8.reserve(wire.size());
    while (!wire.empty()) {
        const std::size_t length = Utf8SequenceLength(wire);
        if (length == 0) {
            decoded.utf8 += "\xEF\xBF\xBD";
            decoded.lossless = false;
            wire.remove_prefix(1);
        } else {
            decoded.utf8.append(wire.substr(0, length));
            wire.remove_prefix(length);
        }
    }
    return decoded;
}

}  // namespace platform
