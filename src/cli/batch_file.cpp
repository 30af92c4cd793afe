#include "cli/batch_file.h"

#include <fstream>

#include "cli/csv.h"

namespace cli {
namespace {

constexpr std::string_view kHeader = "homepage,table_info,lock";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";  // spreadsheets save one

std::variant<BatchRow, std::string> ParseRow(int lineNumber, std::string_view line) {
    std::string why;
    const std::optional<std::vector<std::string>> fields = SplitCsvLine(line, why);
    if (!fields) {
        return why;
    }
    if (fields->size() != 3) {
        return std::to_string(fields->size()) + " fields where homepage,table_info,lock are 3";
    }
    const std::string& lock = (*fields)[2];
    if (lock != "" && lock != "0" && lock != "1") {
        return "lock is '" + lock + "'; it takes 1, 0 or nothing";
    }
    BatchRow row{lineNumber, TagWrite{(*fields)[0], (*fields)[1], lock == "1"}};
    if (std::optional<std::string> refused = CheckTagWrite(row.items, "lock 1")) {
        return *refused;
    }
    return row;
}

}  // namespace

std::variant<std::vector<BatchRow>, std::string> ReadBatchFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return "cannot read " + path.string();
    }
    std::vector<BatchRow> rows;
    int lineNumber = 0;
    for (std::string line; std::getline(file, line);) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (lineNumber == 1) {
            if (line.starts_with(kByteOrderMark)) {
                line.erase(0, kByteOrderMark.size());
            }
            if (line != kHeader) {
                return path.string() + " line 1: the header must be " + std::string(kHeader);
            }
            continue;
        }
        if (line.empty()) {
            continue;
        }
        auto parsed = ParseRow(lineNumber, line);
        if (auto* why = std::get_if<std::string>(&parsed)) {
            return path.string() + " line " + std::to_string(lineNumber) + ": " + *why;
        }
        rows.push_back(std::move(std::get<BatchRow>(parsed)));
    }
    if (lineNumber == 0) {
        return path.string() + " is empty; it needs the header " + std::string(kHeader);
    }
    if (rows.empty()) {
        return path.string() + " has no rows";
    }
    return rows;
}

}  // namespace cli
