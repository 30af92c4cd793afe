#pragma once
// What the operator sees of a batch. On a terminal one progress line (row n of N, successes,
// failures) that each prompt and result redraws; otherwise, for a log file or a pipe, plain
// lines without control sequences.

#include <cstddef>
#include <string>

namespace cli {

class BatchProgress {
  public:
    BatchProgress(std::size_t total, bool terminal);

    // Shows the question for the row at `position` (from 1) and leaves the cursor behind it.
    void Ask(std::size_t position, const std::string& question);
    void Working(const std::string& what);
    void Succeeded(const std::string& what);
    void Failed(const std::string& what);
    void Skipped(const std::string& what);
    // A row that was under way when the batch had to stop.
    void Unfinished(const std::string& what);
    // A line of its own, outside the progress line.
    void Say(const std::string& text);
    // The counts of this run and the rows it left, last; `settledBefore` rows were done or
    // skipped by an earlier run.
    void Summary(std::size_t settledBefore);

    std::size_t Failures() const { return m_failed; }
    // Rows that no run has done, failed or skipped; known after Summary.
    std::size_t NotDone() const { return m_notDone; }

  private:
    void Show(const std::string& text, bool finished);

    std::size_t m_total;
    bool m_terminal;
    std::size_t m_position = 0;
    std::size_t m_ok = 0;
    std::size_t m_failed = 0;
    std::size_t m_skipped = 0;
    std::size_t m_notDone = 0;
};

}  // namespace cli
