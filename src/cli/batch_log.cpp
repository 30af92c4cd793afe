#include "cli/batch_log.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <fstream>
#include <iterator>
#include <utility>

#include "cli/csv.h"
#include "cli/text_out.h"

namespace cli {
namespace {

const std::vector<std::string> kColumns = {
    "time",      "row",           "homepage",        "table_info",      "lock",
    "port",      "homepage_sent", "table_info_sent", "homepage_answer", "table_info_answer",
    "read_back", "result",        "record"};
constexpr std::size_t kRowColumn = 1;
constexpr std::size_t kAskedColumn = 2;
constexpr std::size_t kResultColumn = 11;
constexpr std::string_view kStarted = "started";
constexpr std::string_view kResult = "result";

std::string UtcNow() {
    const std::time_t now = std::time(nullptr);
    char text[32];
    // Only the main thread formats times, so gmtime's shared buffer is safe here.
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", std::gmtime(&now));
    return text;
}

std::vector<std::string> Asked(const BatchRow& row) {
    return {row.asked.homepage, row.asked.tableInfo, row.asked.lock ? "1" : "0"};
}

std::string DescribeAsked(const std::vector<std::string>& asked) {
    return "homepage " + Quoted(asked[0]) + ", table info " + Quoted(asked[1]) + ", lock " +
           asked[2];
}

// A record is whole when it has every column and ends with its kind: a cut one lacks at least
// the last column, since the kind is written last.
bool IsWhole(const std::optional<std::vector<std::string>>& fields) {
    return fields && fields->size() == kColumns.size() &&
           (fields->back() == kStarted || fields->back() == kResult);
}

}  // namespace

std::variant<BatchLog, std::string> BatchLog::Read(const std::filesystem::path& path, bool resume,
                                                   const std::vector<BatchRow>& rows) {
    BatchLog log;
    log.m_path = path;
    const std::string name = path.string();
    std::ifstream file(path, std::ios::binary);
    const std::string content{std::istreambuf_iterator<char>(file),
                              std::istreambuf_iterator<char>()};
    const std::string header = JoinCsvLine(kColumns);
    if (content.empty()) {
        log.m_lead = header + "\n";
        return log;
    }
    std::map<int, const BatchRow*> byLine;
    for (const BatchRow& row : rows) {
        byLine[row.line] = &row;
    }
    std::size_t at = 0;
    bool records = false;
    for (int lineNumber = 1; at < content.size(); ++lineNumber) {
        const std::size_t end = content.find('\n', at);
        const std::string_view line =
            std::string_view(content).substr(at, end == std::string::npos ? end : end - at);
        at = end == std::string::npos ? content.size() : end + 1;
        const std::string where = name + " line " + std::to_string(lineNumber) + ": ";
        if (lineNumber == 1) {
            if (line != header) {
                return where +
                       "not a log of this velmora-tag (its header differs); name another log";
            }
            continue;
        }
        std::string why;
        const std::optional<std::vector<std::string>> fields = SplitCsvLine(line, why);
        if (end == std::string::npos || !IsWhole(fields)) {
            log.m_cut.push_back(lineNumber);
            continue;
        }
        const std::string& text = (*fields)[kRowColumn];
        int number = 0;
        const auto [stop, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
        const auto row = byLine.find(number);
        if (ec != std::errc() || stop != text.data() + text.size() || row == byLine.end()) {
            return where + "row '" + text + "' is no row of this batch file";
        }
        const std::vector<std::string> asked(fields->begin() + kAskedColumn,
                                             fields->begin() + kAskedColumn + 3);
        if (asked != Asked(*row->second)) {
            return where + "row " + text + " asked for " + DescribeAsked(asked) +
                   ", and that line of the batch file asks for " +
                   DescribeAsked(Asked(*row->second)) +
                   ": the log belongs to another file, or the file was changed since";
        }
        History& history = log.m_history[number];
        history.tried = true;
        history.interrupted = fields->back() == kStarted;
        if (fields->back() == kResult) {
            const std::string& result = (*fields)[kResultColumn];
            history.settled = result == "verified" || result == "skipped";
        }
        records = true;
    }
    if (records && !resume) {
        return name +
               " already holds a batch's results: --resume continues that batch, or "
               "name another log";
    }
    if (content.back() != '\n') {
        log.m_lead = "\n";  // nothing is ever appended to a cut record
    }
    return log;
}

BatchLog::History BatchLog::Of(const BatchRow& row) const {
    const auto found = m_history.find(row.line);
    return found == m_history.end() ? History{} : found->second;
}

std::optional<std::string> BatchLog::Begin() {
    auto opened = platform::JournalFile::Open(m_path);
    if (auto* why = std::get_if<std::string>(&opened)) {
        return *why;
    }
    m_file.emplace(std::move(std::get<platform::JournalFile>(opened)));
    return std::nullopt;
}

std::optional<std::string> BatchLog::Append(std::vector<std::string> fields) {
    std::string text = std::exchange(m_lead, {}) + JoinCsvLine(fields) + "\n";
    std::optional<std::string> why = m_file->Append(text);
    if (why) {
        m_lead = "\n";  // whatever part of the record is there stays on a line of its own
    }
    return why;
}

std::optional<std::string> BatchLog::Started(const BatchRow& row, const std::string& port) {
    std::vector<std::string> fields{UtcNow(), std::to_string(row.line)};
    const std::vector<std::string> asked = Asked(row);
    fields.insert(fields.end(), asked.begin(), asked.end());
    fields.insert(fields.end(), {port, "", "", "", "", "", "", std::string(kStarted)});
    return Append(std::move(fields));
}

std::optional<std::string> BatchLog::Result(const BatchRow& row, const std::string& port,
                                            const WriteReport* report, std::string_view result) {
    const WriteReport none;
    const WriteReport& r = report != nullptr ? *report : none;
    std::vector<std::string> fields{UtcNow(), std::to_string(row.line)};
    const std::vector<std::string> asked = Asked(row);
    fields.insert(fields.end(), asked.begin(), asked.end());
    // Answers can hold anything, a line end included: escaped, so that a record is one line.
    fields.insert(fields.end(),
                  {port, r.homepagePayload, r.tableInfoPayload, Escaped(r.homepageAnswer),
                   Escaped(r.tableInfoAnswer), Escaped(r.readBack.value_or("")),
                   std::string(result), std::string(kResult)});
    return Append(std::move(fields));
}

}  // namespace cli
