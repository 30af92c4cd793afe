#pragma once
// The batch's log, kept as a journal: before a row's first write a "started" record, when the row
// is settled its "result" record, each one whole line written with one call and on the disk
// before the next act. Each record carries what its row asked for, so that a resumed batch can
// tell that the log belongs to its file. Read back, a row is settled by a verified or skipped
// result; any other row (failed, interrupted, never started) is still to do.
//
// A record cut short (a full disk, a kill, a power cut) is a record that never happened: it is
// ignored when read, and the next record starts on a line of its own. The log is one run's alone
// while that run has it open.

#include <cstddef>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/batch_file.h"
#include "platform/journal_file.h"
#include "platform/result.h"

namespace cli {

// One line of the log, by name.
struct LogRecord {
    std::string time;  // UTC
    int row = 0;       // the row's line in the batch file
    // What the row asked for, spelled as in the file (lock "0" or "1").
    std::string homepage;
    std::string tableInfo;
    std::string lock;
    std::string port;
    // The payloads sent, and the device's answers escaped so that a record stays one line.
    std::string homepageSent;
    std::string tableInfoSent;
    std::string homepageAnswer;
    std::string tableInfoAnswer;
    std::string readBack;
    std::string result;
    std::string record;  // "started" or "result", always last: a cut record lacks it
};

// The record as one CSV line, without a line end; and back: nothing for a line that is not a
// whole record.
std::string FormatLogRecord(const LogRecord& record);
[[nodiscard]] std::optional<LogRecord> ParseLogRecord(std::string_view line);

// Results that settle a row as on its tag.
inline constexpr std::string_view kVerified = "verified";
inline constexpr std::string_view kVerifiedAlready = "verified: it was on the tag already";
inline constexpr std::string_view kVerifiedLocked =
    "verified: the tag refused the locked write, so it is locked";
inline constexpr std::string_view kSkipped = "skipped";
bool IsVerified(std::string_view result);

class BatchLog {
  public:
    struct History {
        bool settled = false;      // verified or skipped
        bool verified = false;     // on a tag
        bool tried = false;        // a record of it is there
        bool interrupted = false;  // its last record is "started": stopped in the middle
    };

    // Reads what the log at `path` holds of `rows`, or why it cannot be used (a log of another
    // file, one that holds results although `resume` was not asked for, or nothing to resume
    // although it was). Writes nothing.
    [[nodiscard]] static platform::Result<BatchLog> Read(const std::filesystem::path& path,
                                                         bool resume,
                                                         const std::vector<BatchRow>& rows);

    History Of(const BatchRow& row) const;
    // The lines of records that were cut short and are ignored.
    const std::vector<int>& CutRecords() const { return m_cut; }

    // Opens the file for appending, creating it, once the port is open, and takes it for this
    // run; then reads it again, as another run may have written it since Read. Else why not, for
    // the operator.
    [[nodiscard]] platform::Result<void> Begin();
    // Appends a record, the time filled in, and has it on the disk; else the system's reason.
    [[nodiscard]] platform::Result<void> Append(LogRecord record);

    const std::filesystem::path& Path() const { return m_path; }

  private:
    BatchLog() = default;
    // Takes in `content`, all the log holds; `exists`: whether the file is there at all.
    [[nodiscard]] platform::Result<void> Take(const std::string& content, bool exists);

    std::filesystem::path m_path;
    bool m_resume = false;
    const std::vector<BatchRow>* m_rows = nullptr;
    std::optional<platform::JournalFile> m_file;
    std::map<int, History> m_history;
    std::vector<int> m_cut;
    // Written in front of the first record: the header for a new log, a line end behind a cut one.
    std::string m_lead;
};

// The record of `row` with what it asked for; the rest is the caller's.
LogRecord RecordOf(const BatchRow& row, const std::string& port);

}  // namespace cli
