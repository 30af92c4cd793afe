#include "cli/batch_log.h"

#include <charconv>
#include <ctime>
#include <fstream>
#include <iterator>
#include <utility>

#include "cli/csv.h"
#include "cli/text_out.h"

namespace cli {

using platform::Failure;

namespace {

// The columns in their order, each with the field it holds; "row", the one number, has none.
struct Column {
    std::string_view name;
    std::string LogRecord::*text;
};
constexpr Column kColumns[] = {
    {"time", &LogRecord::time},
    {"row", nullptr},
    {"homepage", &LogRecord::homepage},
    {"table_info", &LogRecord::tableInfo},
    {"lock", &LogRecord::lock},
    {"port", &LogRecord::port},
    {"homepage_sent", &LogRecord::homepageSent},
    {"table_info_sent", &LogRecord::tableInfoSent},
    {"homepage_answer", &LogRecord::homepageAnswer},
    {"table_info_answer", &LogRecord::tableInfoAnswer},
    {"read_back", &LogRecord::readBack},
    {"result", &LogRecord::result},
    {"record", &LogRecord::record},
};
constexpr std::string_view kStarted = "started";
constexpr std::string_view kResult = "result";

std::string UtcNow() {
    const std::time_t now = std::time(nullptr);
    char text[32];
    // Only the main thread formats times, so gmtime's shared buffer is safe here.
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", std::gmtime(&now));
    return text;
}

std::string DescribeAsked(const LogRecord& record) {
    return "homepage " + Quoted(record.homepage) + ", table info " + Quoted(record.tableInfo) +
           ", lock " + record.lock;
}

std::string InUse(const std::filesystem::path& path,
                  const platform::JournalFile::Refusal& refused) {
    return path.string() + " is the log of a batch that is running" +
           (refused.holder ? " (process " + std::to_string(*refused.holder) + ")" : "") +
           ": one batch per log; let it finish or name another log";
}

bool AskSame(const LogRecord& a, const LogRecord& b) {
    return a.homepage == b.homepage && a.tableInfo == b.tableInfo && a.lock == b.lock;
}

}  // namespace

std::string FormatLogRecord(const LogRecord& record) {
    std::vector<std::string> fields;
    for (const Column& column : kColumns) {
        fields.push_back(column.text != nullptr ? record.*column.text : std::to_string(record.row));
    }
    return JoinCsvLine(fields);
}

std::optional<LogRecord> ParseLogRecord(std::string_view line) {
    // Why a line is no CSV line does not matter: it is no record either.
    platform::Result<std::vector<std::string>> fields = SplitCsvLine(line);
    // A record is whole when it has every column and ends with its kind: a cut one lacks at least
    // the last column, since the kind is written last.
    if (!fields || fields->size() != std::size(kColumns) ||
        (fields->back() != kStarted && fields->back() != kResult)) {
        return std::nullopt;
    }
    LogRecord record;
    for (std::size_t i = 0; i < std::size(kColumns); ++i) {
        std::string& field = (*fields)[i];
        if (kColumns[i].text != nullptr) {
            record.*kColumns[i].text = std::move(field);
            continue;
        }
        const auto [end, ec] =
            std::from_chars(field.data(), field.data() + field.size(), record.row);
        if (ec != std::errc() || end != field.data() + field.size()) {
            record.row = 0;  // no line of any file
        }
    }
    return record;
}

bool IsVerified(std::string_view result) {
    return result == kVerified || result.starts_with(std::string(kVerified) + ": ");
}

LogRecord RecordOf(const BatchRow& row, const std::string& port) {
    LogRecord record;
    record.row = row.line;
    record.homepage = row.asked.homepage;
    record.tableInfo = row.asked.tableInfo;
    record.lock = row.asked.lock ? "1" : "0";
    record.port = port;
    return record;
}

platform::Result<BatchLog> BatchLog::Read(const std::filesystem::path& path, bool resume,
                                          const std::vector<BatchRow>& rows) {
    BatchLog log;
    log.m_path = path;
    log.m_resume = resume;
    log.m_rows = &rows;
    // A log that another run holds is refused for that, whatever it holds.
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) {
        const auto opened = platform::JournalFile::Open(path);
        if (!opened && opened.error().inUse) {
            return Failure(InUse(path, opened.error()));
        }
    }
    std::ifstream file(path, std::ios::binary);
    const std::string content{std::istreambuf_iterator<char>(file),
                              std::istreambuf_iterator<char>()};
    if (const platform::Result<void> taken = log.Take(content, file.is_open()); !taken) {
        return Failure(taken.error());
    }
    return log;
}

platform::Result<void> BatchLog::Take(const std::string& content, bool exists) {
    const std::string name = m_path.string();
    m_history.clear();
    m_cut.clear();
    m_lead.clear();
    if (m_resume && !exists) {
        return Failure("nothing to resume: " + name + " does not exist; name the log of the batch");
    }
    std::vector<std::string> names;
    for (const Column& column : kColumns) {
        names.emplace_back(column.name);
    }
    const std::string header = JoinCsvLine(names);
    std::map<int, const BatchRow*> byLine;
    for (const BatchRow& row : *m_rows) {
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
                return Failure(where +
                               "not a log of this velmora-tag (its header differs); "
                               "name another log");
            }
            continue;
        }
        const std::optional<LogRecord> record = ParseLogRecord(line);
        if (end == std::string::npos || !record) {
            m_cut.push_back(lineNumber);
            continue;
        }
        const auto row = byLine.find(record->row);
        if (row == byLine.end()) {
            return Failure(where + "row '" + std::to_string(record->row) +
                           "' is no row of this batch file");
        }
        const LogRecord asked = RecordOf(*row->second, {});
        if (!AskSame(*record, asked)) {
            return Failure(where + "row " + std::to_string(record->row) + " asked for " +
                           DescribeAsked(*record) + ", and that line of the batch file asks for " +
                           DescribeAsked(asked) +
                           ": the log belongs to another file, or the file was changed since");
        }
        History& history = m_history[record->row];
        history.tried = true;
        history.interrupted = record->record == kStarted;
        if (record->record == kResult) {
            history.verified = IsVerified(record->result);
            history.settled = history.verified || record->result == kSkipped;
        }
        records = true;
    }
    if (records && !m_resume) {
        return Failure(name +
                       " already holds a batch's results: --resume continues that batch, or "
                       "name another log");
    }
    if (!records && m_resume) {
        return Failure("nothing to resume: " + name + " holds no record of a row");
    }
    if (content.empty()) {
        m_lead = header + "\n";
    } else if (content.back() != '\n') {
        m_lead = "\n";  // nothing is ever appended to a cut record
    }
    return {};
}

BatchLog::History BatchLog::Of(const BatchRow& row) const {
    const auto found = m_history.find(row.line);
    return found == m_history.end() ? History{} : found->second;
}

platform::Result<void> BatchLog::Begin() {
    const std::string name = m_path.string();
    auto opened = platform::JournalFile::Open(m_path);
    if (!opened) {
        if (opened.error().inUse) {
            return Failure(InUse(m_path, opened.error()));
        }
        return Failure("cannot write the log " + name + ": " + opened.error().reason);
    }
    m_file.emplace(std::move(*opened));
    const platform::Result<std::string> content = m_file->ReadAll();
    if (!content) {
        return Failure("cannot read the log " + name + ": " + content.error());
    }
    return Take(*content, true);
}

platform::Result<void> BatchLog::Append(LogRecord record) {
    record.time = UtcNow();
    std::string text = std::exchange(m_lead, {}) + FormatLogRecord(record) + "\n";
    platform::Result<void> written = m_file->Append(text);
    if (!written) {
        m_lead = "\n";  // whatever part of the record is there stays on a line of its own
    }
    return written;
}

}  // namespace cli
