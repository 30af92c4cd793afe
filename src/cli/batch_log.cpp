#include "cli/batch_log.h"

#include <algorithm>
#include <charconv>
#include <ctime>

#include "cli/csv.h"
#include "cli/text_out.h"

namespace cli {
namespace {

const std::vector<std::string> kColumns = {"time",
                                           "row",
                                           "port",
                                           "homepage_sent",
                                           "table_info_sent",
                                           "homepage_answer",
                                           "table_info_answer",
                                           "read_back",
                                           "result"};
constexpr std::size_t kRowColumn = 1;

std::string UtcNow() {
    const std::time_t now = std::time(nullptr);
    char text[32];
    // Only the main thread formats times, so gmtime's shared buffer is safe here.
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", std::gmtime(&now));
    return text;
}

// The rows a log settles, or why it is not a log of this batch.
std::variant<std::set<int>, std::string> ReadSettled(std::ifstream& file,
                                                     const std::vector<BatchRow>& rows) {
    std::set<int> settled;
    int lineNumber = 0;
    for (std::string line; std::getline(file, line);) {
        ++lineNumber;
        const std::string where = "line " + std::to_string(lineNumber) + ": ";
        if (lineNumber == 1) {
            if (line != JoinCsvLine(kColumns)) {
                return where + "not a velmora-tag log (its header differs)";
            }
            continue;
        }
        std::string why;
        const std::optional<std::vector<std::string>> fields = SplitCsvLine(line, why);
        if (!fields || fields->size() != kColumns.size()) {
            return where + "damaged" + (why.empty() ? "" : " (" + why + ")");
        }
        const std::string& text = (*fields)[kRowColumn];
        int row = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), row);
        const bool known = std::any_of(rows.begin(), rows.end(),
                                       [row](const BatchRow& r) { return r.line == row; });
        if (ec != std::errc() || end != text.data() + text.size() || !known) {
            return where + "row '" + text + "' is no row of this batch file";
        }
        settled.insert(row);
    }
    return settled;
}

}  // namespace

std::variant<BatchLog, std::string> BatchLog::Open(const std::filesystem::path& path, bool resume,
                                                   const std::vector<BatchRow>& rows) {
    BatchLog log;
    std::error_code ec;
    const bool holdsLines = std::filesystem::file_size(path, ec) > 0 && !ec;
    if (holdsLines && !resume) {
        return path.string() +
               " already holds a batch's results: --resume continues that "
               "batch, or name another log";
    }
    if (holdsLines) {
        std::ifstream existing(path, std::ios::binary);
        auto settled = ReadSettled(existing, rows);
        if (auto* why = std::get_if<std::string>(&settled)) {
            return path.string() + " " + *why;
        }
        log.m_settled = std::move(std::get<std::set<int>>(settled));
    }
    log.m_file.open(path, std::ios::binary | std::ios::app);
    if (!log.m_file) {
        return "cannot write " + path.string();
    }
    if (!holdsLines && !(log.m_file << JoinCsvLine(kColumns) << "\n" << std::flush)) {
        return "cannot write " + path.string();
    }
    return log;
}

bool BatchLog::Append(int line, const std::string& port, const WriteReport* report,
                      std::string_view result) {
    const WriteReport none;
    const WriteReport& r = report != nullptr ? *report : none;
    // Answers can hold anything, a line end included: escaped, so that a tag is one line.
    const std::string text =
        JoinCsvLine({UtcNow(), std::to_string(line), port, r.homepagePayload, r.tableInfoPayload,
                     Escaped(r.homepageAnswer), Escaped(r.tableInfoAnswer),
                     Escaped(r.readBack.value_or("")), std::string(result)}) +
        "\n";
    m_file << text << std::flush;
    if (m_file) {
        m_settled.insert(line);
    }
    return static_cast<bool>(m_file);
}

}  // namespace cli
