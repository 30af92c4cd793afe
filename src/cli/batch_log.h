#pragma once
// The batch's log: one CSV line per tag settled (written, failed or skipped), written whole and
// flushed before the next tag is asked for, so that a stopped or interrupted batch can resume
// behind the last line and no row is ever done twice.

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "cli/batch_file.h"

namespace cli {

class BatchLog {
  public:
    // Opens `path` for appending. Without `resume` a log that already holds lines is refused: a
    // second run into it would list rows twice. With it, the rows it holds are settled; they must
    // all be rows of `rows`. Otherwise why the log cannot be used.
    static std::variant<BatchLog, std::string> Open(const std::filesystem::path& path, bool resume,
                                                    const std::vector<BatchRow>& rows);

    bool Settled(int line) const { return m_settled.contains(line); }

    // `report` is null for a skipped row. False when the line could not be written.
    bool Append(int line, const std::string& port, const WriteReport* report,
                std::string_view result);

  private:
    BatchLog() = default;

    std::ofstream m_file;
    std::set<int> m_settled;
};

}  // namespace cli
