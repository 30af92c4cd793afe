// The protocol's text work: hex text to bytes, splitting a READ answer, judging a write answer,
// and the homepage as it goes out.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tag/answers.h"
#include "tag/commands.h"
#include "tag/hex_text.h"

namespace {

using namespace std::string_literals;
using Bytes = std::vector<std::uint8_t>;

TEST(HexText, DigitsPairUpAndEverythingElseIsZeroOrSkipped) {
    struct Row {
        const char* name;
        std::string text;
        Bytes bytes;
    };
    const Row rows[] = {
        {"start byte", "01", {0x01}},
        {"end byte", "04", {0x04}},
        {"blanks anywhere", " 0 1\r\n", {0x01}},
        {"tab is a blank", "\t0\t4", {0x04}},
        {"non-digit low", "0g", {0x00}},
        {"non-digits", "zz", {0x00}},
        {"non-digit high", "G1", {0x01}},
        {"odd count: last digit alone, low half", "abc", {0xAB, 0x0C}},
        {"mixed case", "fF0a", {0xFF, 0x0A}},
        {"empty", "", {}},
        {"blanks only", " \r\n\t", {}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(tag::HexTextToBytes(row.text), row.bytes) << row.name;
    }
}

TEST(ReadAnswer, HomepageToTheCommaTableInfoByPosition) {
    struct Row {
        const char* name;
        std::string received;
        std::string homepage;
        std::string tableInfo;
    };
    const Row rows[] = {
        {"both items", "abc,START", "abc", "START"},
        {"no comma", "abc", "abc", ""},
        {"empty homepage", ",XYZ", "", "XYZ"},
        {"later commas stay in the table info", "ab,xy,z", "ab", "xy,z"},
        {"twelve-character cut", "abc,ABCDEFGHIJKLMNO", "abc", "ABCDEFGHIJKL"},
        {"silence", "", "", ""},
        {"comma only", ",", "", ""},
        {"nul ends the homepage; table info starts past it", "A\0B"s, "A", "B"},
        {"nul ends the table info", "ab,c\0d"s, "ab", "c"},
        {"nul before the comma", "a\0b,c"s, "a", "b,c"},
        {"frame bytes left out",
         "a\x04Lb\x01,c\x04"
         "d",
         "aLb", "cd"},
        {"line end left out of the table info", "ab,START\r\n", "ab", "START"},
        {"controls count towards the twelve", "ab,\x7f\x7f\x7f\x7f\x7f\x7f\x7f\x7f\x7f\x7f\x7fXY",
         "ab", "X"},
    };
    for (const Row& row : rows) {
        const tag::ReadAnswer answer = tag::SplitReadAnswer(row.received);
        EXPECT_EQ(answer.homepage, row.homepage) << row.name;
        EXPECT_EQ(answer.tableInfo, row.tableInfo) << row.name;
    }
}

// The progress column is what a wait that ends early makes of the same text so far.
TEST(WriteAnswer, SuccessIgnoresSpacesButNotCaseOrLineEnds) {
    using P = tag::WriteAnswerProgress;
    struct Row {
        std::string received;
        bool success;
        P progress;
    };
    const Row rows[] = {
        {"Success", true, P::Success},
        {"Suc cess", true, P::Success},
        {" Success ", true, P::Success},
        {"Success\0junk"s, true, P::Success},
        {"success", false, P::NotSuccess},
        {"Success\r\n", false, P::NotSuccess},
        {"", false, P::Partial},
        {"Successful", false, P::NotSuccess},
        {"\0Success"s, false, P::NotSuccess},
        {"Locked", false, P::NotSuccess},
        {"Succ", false, P::Partial},
        {" Su cc", false, P::Partial},
        {"Succ\0"s, false, P::NotSuccess},
        {"Sx", false, P::NotSuccess},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(tag::IsWriteSuccess(row.received), row.success) << '"' << row.received << '"';
        EXPECT_EQ(tag::JudgeWriteAnswer(row.received), row.progress) << '"' << row.received << '"';
    }
}

TEST(HomepageForWire, RemovesSchemeThenCommasInOnePassEach) {
    struct Row {
        std::string typed;
        std::string sent;
    };
    const Row rows[] = {
        {"http://abc", "abc"}, {"HTTP://abc", "HTTP://abc"},    {"https://abc", "https://abc"},
        {"a,b", "ab"},         {"http:,//x", "http://x"},       {"http://", ""},
        {" a b ", " a b "},    {"hthttp://tp://x", "http://x"}, {"http://a,http://b", "ab"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(tag::HomepageForWire(row.typed), row.sent) << row.typed;
    }
}

TEST(Payloads, NeverCarryControlCharacters) {
    EXPECT_EQ(tag::HomepagePayload("ab\x04Lc\x01", true), "LabLc");
    EXPECT_EQ(tag::HomepagePayload("a b", false), "Ua b");
    EXPECT_EQ(tag::TableInfoPayload("T\r\n\x7f 1"), "WT 1");
    EXPECT_EQ(tag::TableInfoPayload(""), "W");
}

}  // namespace
