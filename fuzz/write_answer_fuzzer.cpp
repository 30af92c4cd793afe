// Whether a write's answer says "Success", and the one-pass removal that the same text work is
// built on, each against a plain reference.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "tag/answers.h"

namespace {

// Left to right; what a removal brings together is not looked at again.
std::string ReferenceRemove(std::string_view text, std::string_view what) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (!what.empty() && text.compare(i, what.size(), what) == 0) {
            i += what.size();
        } else {
            out.push_back(text[i++]);
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view received(reinterpret_cast<const char*>(data), size);

    std::string squashed;
    for (char c : received) {
        if (c == '\0') {
            break;
        }
        if (c != ' ') {
            squashed.push_back(c);
        }
    }
    fuzz::Require(tag::IsWriteSuccess(received) == (squashed == "Success"),
                  "success is exactly \"Success\" up to the first zero byte, spaces aside");

    const std::string wire = tag::HomepageForWire(received);
    fuzz::Require(wire == ReferenceRemove(ReferenceRemove(received, "http://"), ","),
                  "the homepage for the wire loses each \"http://\", then each comma");
    fuzz::Require(wire.find(',') == std::string::npos, "no comma goes out");

    // The first byte picks a pattern of up to 7 bytes from what follows.
    if (!received.empty()) {
        const std::string_view rest = received.substr(1);
        const std::string_view what = rest.substr(0, static_cast<std::uint8_t>(received[0]) % 8);
        const std::string_view text = rest.substr(what.size());
        fuzz::Require(tag::RemoveAll(text, what) == ReferenceRemove(text, what),
                      "removal in one left-to-right pass");
    }
    return 0;
}
