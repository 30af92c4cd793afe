// The split of a READ answer into homepage and table info: where each starts and ends, whatever
// the device sent.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "tag/answers.h"
#include "tag/commands.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view received(reinterpret_cast<const char*>(data), size);
    const tag::ReadAnswer answer = tag::SplitReadAnswer(received);
    const std::string& home = answer.homepage;
    const std::string& info = answer.tableInfo;
    constexpr auto npos = std::string::npos;

    for (const std::string* field : {&home, &info}) {
        fuzz::Require(std::none_of(field->begin(), field->end(), tag::IsControlCharacter),
                      "no control character reaches a box");
    }
    // Where the homepage ends in the raw answer: the first comma or zero byte.
    const std::size_t homeEnd = std::min(received.find(','), received.find('\0'));
    const std::string_view rawHome = received.substr(0, homeEnd);
    fuzz::Require(home == tag::WithoutControlCharacters(rawHome),
                  "the homepage is the answer up to the first comma or zero byte");

    const std::size_t start = rawHome.size() + 1;
    const std::string_view rawInfo =
        start < received.size() ? received.substr(start, tag::kTableInfoAnswerLength) : "";
    fuzz::Require(info == tag::WithoutControlCharacters(rawInfo.substr(0, rawInfo.find('\0'))),
                  "the table info is at most 12 bytes just past the homepage, up to a zero byte");
    fuzz::Require(home.find(',') == npos, "the homepage holds no comma");
    return 0;
}
