#pragma once
// The batch's log, kept as a journal: before a row's first frame a "started" record, when the row
// is settled its "result" record, each one whole line written with one call and on the disk
// before the next act. Each record carries what its row asked for, so that a resumed batch can
// tell that the log belongs to its file. Read back, a row is settled by a "verified" or "skipped"
// result; any other row (failed, interrupted, never started) is still to do.
//
// A record cut short (a full disk, a kill, a power cut) is a record that never happened: it is
// ignored when read, and the next record starts on a line of its own.

#include <cstddef>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "cli/batch_file.h"
#include "platform/journal_file.h"

namespace cli {

class BatchLog {
  public:
    struct History {
        bool settled = false;      // verified or skipped
        bool tried = false;        // a record of it is there
        bool interrupted = false;  // its last record is "started": stopped in the middle
    };

    // Reads what the log at `path` holds of `rows`, or why it cannot be used (a log of another
    // file, or one that holds results although `resume` was not asked for). Writes nothing.
    static std::variant<BatchLog, std::string> Read(const std::filesystem::path& path, bool resume,
                                                    const std::vector<BatchRow>& rows);

    History Of(const BatchRow& row) const;
    // The lines of records that were cut short and are ignored.
    const std::vector<int>& CutRecords() const { return m_cut; }

    // Opens the file for appending, creating it; once the port is open. Else the system's reason.
    std::optional<std::string> Begin();
    // The records; nothing when on the disk, else the system's reason. `report` is null for a
    // skipped row.
    std::optional<std::string> Started(const BatchRow& row, const std::string& port);
    std::optional<std::string> Result(const BatchRow& row, const std::string& port,
                                      const WriteReport* report, std::string_view result);

    const std::filesystem::path& Path() const { return m_path; }

  private:
    BatchLog() = default;
    std::optional<std::string> Append(std::vector<std::string> fields);

    std::filesystem::path m_path;
    std::optional<platform::JournalFile> m_file;
    std::map<int, History> m_history;
    std::vector<int> m_cut;
    // Written in front of the first record: the header for a new log, a line end behind a cut one.
    std::string m_lead;
};

}  // namespace cli
