#pragma once
// The tag device's commands and what its plain-text answers mean.

#include <string>
#include <string_view>

namespace tag {

inline constexpr std::size_t kTableInfoAnswerLength = 12;

struct ReadAnswer {
    std::string homepage;
    std::string tableInfo;
};

// "homepage,table info": the homepage ends at the first comma or zero byte; the table info is
// taken by position just past it, at most 12 characters, ending early at a zero byte (further
// commas stay in it). Control characters are then left out of both, as the boxes refuse them
// from the operator: what the boxes show after a READ is what a WRITE sends back.
ReadAnswer SplitReadAnswer(std::string_view received);

// Whether a write's answer says "Success": spaces do not count, case does, and the text ends at
// a zero byte.
bool IsWriteSuccess(std::string_view received);

// How far a write's answer has come, for a wait that ends once the answer is whole: text that is
// still the start of "Success" (spaces left out) may yet become it; a zero byte ends the text.
enum class WriteAnswerProgress { Partial, Success, NotSuccess };
WriteAnswerProgress JudgeWriteAnswer(std::string_view received);

// The text with every occurrence of `what` removed in one left-to-right pass; text brought
// together by a removal is not looked at again.
std::string RemoveAll(std::string_view text, std::string_view what);

// The homepage as it goes out: every "http://", then every ",", removed; spaces stay.
std::string HomepageForWire(std::string_view homepage);

}  // namespace tag
