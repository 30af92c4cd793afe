#include "cli/batch_file.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>

#include "cli/csv.h"
#include "platform/utf8.h"
#include "platform/wire_encoding.h"

namespace cli {

using platform::Failure;

namespace {

constexpr std::string_view kHeader = "homepage,table_info,lock";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";  // spreadsheets save one
constexpr std::size_t kMostReasons = 20;

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool IsValidUtf8(std::string_view bytes) {
    while (!bytes.empty()) {
        const std::size_t length = platform::Utf8SequenceLength(bytes);
        if (length == 0) {
            return false;
        }
        bytes.remove_prefix(length);
    }
    return true;
}

// A spreadsheet saves the empty columns right of the table as trailing commas.
void DropEmptyTrailingFields(std::vector<std::string>& fields) {
    while (fields.size() > 3 && Trimmed(fields.back()).empty()) {
        fields.pop_back();
    }
}

// One record of the file: a line, or several when a quoted field holds a line end.
struct Record {
    int line;
    std::string text;
};

std::vector<Record> SplitRecords(std::string_view content) {
    std::vector<Record> records;
    int lineNumber = 0;
    bool open = false;  // inside quotes at the end of the last line
    while (!content.empty()) {
        const std::size_t end = content.find('\n');
        std::string_view line = content.substr(0, end);
        content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (open) {
            records.back().text += '\n';
            records.back().text += line;
        } else {
            records.push_back({lineNumber, std::string(line)});
        }
        // Doubled quotes inside a quoted field cancel out, so an odd count leaves it open.
        open = (std::count(line.begin(), line.end(), '"') % 2 == 1) != open;
    }
    return records;
}

platform::Result<void> CheckHeader(std::string_view header) {
    // A header that is no CSV line is told by what it should be, not by its quotes.
    platform::Result<std::vector<std::string>> fields = SplitCsvLine(header);
    if (fields) {
        DropEmptyTrailingFields(*fields);
        std::string names;
        for (const std::string& field : *fields) {
            std::string name(Trimmed(field));
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            names += (names.empty() ? "" : ",") + name;
        }
        if (fields->size() == 3 && names == kHeader) {
            return {};
        }
    }
    if (header.find(';') != std::string_view::npos && header.find(',') == std::string_view::npos) {
        return Failure("fields are separated by semicolons: save the file with commas");
    }
    return Failure("the header must be " + std::string(kHeader) + "; it is \"" +
                   std::string(header) + "\"");
}

// The items as the wire takes them, or why a character cannot go there.
platform::Result<TagWrite> ForWire(const TagWrite& asked, bool utf8) {
    if (!utf8) {
        return asked;  // already in the code page the wire uses
    }
    const platform::Result<std::string> homepage = platform::Utf8ToWire(asked.homepage);
    const platform::Result<std::string> tableInfo = platform::Utf8ToWire(asked.tableInfo);
    if (!homepage) {
        return Failure("the homepage holds " + homepage.error());
    }
    if (!tableInfo) {
        return Failure("the table info holds " + tableInfo.error());
    }
    return TagWrite{*homepage, *tableInfo, asked.lock};
}

// The row a record asks for; nothing for a row that asks for nothing at all (spaces, or a
// spreadsheet's empty row of commas).
platform::Result<std::optional<BatchRow>> ParseRow(const Record& record, bool utf8) {
    if (Trimmed(record.text).empty()) {
        return std::nullopt;
    }
    platform::Result<std::vector<std::string>> fields = SplitCsvLine(record.text);
    if (!fields) {
        return Failure(fields.error());
    }
    DropEmptyTrailingFields(*fields);
    if (std::all_of(fields->begin(), fields->end(),
                    [](const std::string& f) { return Trimmed(f).empty(); })) {
        return std::nullopt;
    }
    if (fields->size() != 3) {
        return Failure(std::to_string(fields->size()) +
                       " fields where homepage,table_info,lock are 3");
    }
    const std::string lock(Trimmed((*fields)[2]).empty() ? "0" : Trimmed((*fields)[2]));
    if (lock != "0" && lock != "1") {
        return Failure("lock is '" + (*fields)[2] + "'; it takes 1, 0 or nothing");
    }
    const TagWrite asked{(*fields)[0], (*fields)[1], lock == "1"};
    const platform::Result<TagWrite> wire = ForWire(asked, utf8);
    if (!wire) {
        return Failure(wire.error());
    }
    BatchRow row{record.line, asked, *wire};
    if (const platform::Result<void> checked = CheckTagWrite(row.items, "lock 1"); !checked) {
        return Failure(checked.error());
    }
    return row;
}

}  // namespace

platform::Result<std::vector<BatchRow>, std::vector<std::string>> ReadBatchFile(
    const std::filesystem::path& path) {
    const std::string name = path.string();
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return Failure(std::vector<std::string>{"cannot read " + name});
    }
    std::string content{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    const bool marked = content.starts_with(kByteOrderMark);
    if (marked) {
        content.erase(0, kByteOrderMark.size());
    }
    // Without a mark, a file that is not UTF-8 throughout was saved in the computer's code page.
    const bool utf8 = marked || IsValidUtf8(content);
    const std::vector<Record> records = SplitRecords(content);
    if (records.empty()) {
        return Failure(std::vector<std::string>{name + " is empty; it needs the header " +
                                                std::string(kHeader)});
    }
    if (const platform::Result<void> header = CheckHeader(records.front().text); !header) {
        return Failure(std::vector<std::string>{name + " line 1: " + header.error()});
    }
    std::vector<BatchRow> rows;
    std::vector<std::string> reasons;
    std::size_t bad = 0;
    for (auto record = std::next(records.begin()); record != records.end(); ++record) {
        platform::Result<std::optional<BatchRow>> parsed = ParseRow(*record, utf8);
        if (!parsed) {
            if (++bad <= kMostReasons) {
                reasons.push_back(name + " line " + std::to_string(record->line) + ": " +
                                  parsed.error());
            }
        } else if (*parsed) {
            rows.push_back(std::move(**parsed));
        }
    }
    if (bad > kMostReasons) {
        reasons.push_back("and " + std::to_string(bad - kMostReasons) + " more lines of " + name +
                          " that cannot be run");
    }
    if (!reasons.empty()) {
        return Failure(reasons);
    }
    if (rows.empty()) {
        return Failure(std::vector<std::string>{name + " has no rows"});
    }
    return rows;
}

}  // namespace cli
