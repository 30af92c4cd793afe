#include "tag/answers.h"

#include "tag/commands.h"

namespace tag {
namespace {
std::string_view UpToZeroByte(std::string_view text) {
    return text.substr(0, text.find('\0'));
}
}  // namespace

ReadAnswer SplitReadAnswer(std::string_view received) {
    ReadAnswer answer;
    const std::string_view homepage = UpToZeroByte(received.substr(0, received.find(',')));
    const std::size_t start = homepage.size() + 1;
    answer.homepage = WithoutControlCharacters(homepage);
    if (received.size() > start) {
        answer.tableInfo =
            WithoutControlCharacters(UpToZeroByte(received.substr(start, kTableInfoAnswerLength)));
    }
    return answer;
}

bool IsWriteSuccess(std::string_view received) {
    return RemoveAll(UpToZeroByte(received), " ") == "Success";
}

WriteAnswerProgress JudgeWriteAnswer(std::string_view received) {
    constexpr std::string_view kSuccess = "Success";
    if (IsWriteSuccess(received)) {
        return WriteAnswerProgress::Success;
    }
    const std::string text = RemoveAll(UpToZeroByte(received), " ");
    const bool ended = received.find('\0') != std::string_view::npos;
    return !ended && kSuccess.starts_with(text) ? WriteAnswerProgress::Partial
                                                : WriteAnswerProgress::NotSuccess;
}

std::string RemoveAll(std::string_view text, std::string_view what) {
    std::string out;
    out.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t at = text.find(what); at != std::string_view::npos && !what.empty();
         at = text.find(what, from)) {
        out.append(text.substr(from, at - from));
        from = at + what.size();
    }
    out.append(text.substr(from));
    return out;
}

std::string HomepageForWire(std::string_view homepage) {
    return RemoveAll(RemoveAll(homepage, "http://"), ",");
}

}  // namespace tag
