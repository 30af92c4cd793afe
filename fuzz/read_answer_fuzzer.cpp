// The split of a READ answer into homepage and table info: where each starts and ends, whatever
// the device sent.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "tag/answers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view received(reinterpret_cast<const char*>(data), size);
    const tag::ReadAnswer answer = tag::SplitReadAnswer(received);
    const std::string& home = answer.homepage;
    const std::string& info = answer.tableInfo;
    constexpr auto npos = std::string::npos;

    fuzz::Require(home.find(',') == npos && home.find('\0') == npos,
                  "the homepage holds no comma and no zero byte");
    fuzz::Require(received.starts_with(home), "the homepage is where the answer begins");
    fuzz::Require(home.size() == received.size() || received[home.size()] == ',' ||
                      received[home.size()] == '\0',
                  "the homepage runs up to the first comma or zero byte");

    const std::size_t start = home.size() + 1;
    fuzz::Require(info.size() <= tag::kTableInfoAnswerLength, "the table info is at most 12 long");
    fuzz::Require(info.find('\0') == npos, "the table info holds no zero byte");
    fuzz::Require(info.empty() || received.substr(start, info.size()) == info,
                  "the table info starts just past the homepage's end");
    const std::size_t end = start + info.size();
    fuzz::Require(info.size() == tag::kTableInfoAnswerLength || end >= received.size() ||
                      received[end] == '\0',
                  "the table info runs to its full length, the answer's end or a zero byte");
    return 0;
}
