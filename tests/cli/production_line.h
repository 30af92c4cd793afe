#pragma once
// A production line at the simulated reader: a stack of tags, one on the reader at a time, and an
// operator who answers velmora-tag's questions as the prompts ask, at once: a fresh tag for each
// row, the row's own tag back when the program asks for it, yes to a lock. Every frame is kept
// with the tag it reached and the row the operator was answering, so a test can tell on how many
// tags a row ended, whatever readers came and went.

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cli_run.h"
#include "simreader/sim_tag_reader.h"

namespace clitest {

struct LogRecord {
    int row = 0;
    std::string homepageAnswer;
    std::string tableInfoAnswer;
    std::string readBack;
    std::string result;
    std::string kind;  // "started" or "result"
};

// The whole records of a log; no field of the tests' holds a doubled quote, so quotes only group.
// A line that is not a whole record goes to `cut`.
std::vector<LogRecord> Records(const std::string& log, std::vector<std::string>* cut = nullptr);
// How often each row is settled (verified or skipped) in `records`.
std::map<int, int> SettledCounts(const std::vector<LogRecord>& records);

class TagLine {
  public:
    explicit TagLine(std::string port);

    sim::SimTagReader& Reader() { return *m_reader; }
    // The reader's plug pulled while `run` is under way, then a new reader on the same port
    // with the same tag on it.
    void Replug();

    struct Frame {
        std::string payload;
        int tag = -1;  // index into Tags()
        int line = 0;  // the row whose question the operator answered last
    };
    std::vector<Frame> Frames() const;
    std::size_t WritesSoFar() const;
    std::vector<sim::TagState> Tags() const;

    // Places tag `index` on the reader, or a fresh blank one; the one taken off keeps its state.
    void Place(int index);
    int PlaceFresh();
    int OnReader() const { return m_onReader; }
    // Hands-free: a fresh tag for the row on `line`, whose frames then count for it; and the tag
    // taken off, returning once a poll has found the reader empty.
    int PlaceFreshFor(int line);
    void Remove();

    // What the operator does at the next "Place the tag" question instead of placing a fresh
    // tag: put tag `index` back (a finished tag, by mistake).
    void MistakeNext(int index) { m_mistake = index; }
    // Lines whose tag the operator says is lost when the program asks for it back.
    std::set<int> lost;
    // Tags set aside because they were lost: no row is counted on them.
    std::set<int> setAside;

    enum class Ended { Exited, Stopped, TimedOut, Enough };
    // Answers `run`'s questions until it ends, `stop` comes true, or `most` questions were
    // answered (then q).
    Ended Serve(CliRun& run, const std::function<bool()>& stop = {}, int most = 1000);

    // Every row of `rows` (line, homepage, table info) verified in `log` once, on exactly one tag
    // that holds it, and no tag written for two rows.
    void ExpectEveryRowOnOneTag(const std::vector<std::tuple<int, std::string, std::string>>& rows,
                                const std::string& log) const;

  private:
    sim::SimTagReader::Options Options(sim::TagState tag);

    std::string m_port;
    mutable std::mutex m_mutex;  // m_frames, m_tags: the readers' serving threads log frames
    std::vector<Frame> m_frames;
    std::vector<sim::TagState> m_tags;
    std::atomic<int> m_onReader{-1};
    std::atomic<int> m_line{0};
    std::map<int, int> m_tagOfLine;
    std::optional<int> m_mistake;
    std::unique_ptr<sim::SimTagReader> m_reader;
};

}  // namespace clitest
