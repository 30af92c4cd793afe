#include "production_line.h"

#include <gtest/gtest.h>

#include <tuple>

namespace clitest {

std::vector<LogRecord> Records(const std::string& log, std::vector<std::string>* cut) {
    std::vector<LogRecord> records;
    std::size_t at = log.find('\n') + 1;  // behind the header
    while (at < log.size()) {
        const std::size_t end = log.find('\n', at);
        const std::string line = log.substr(at, end == std::string::npos ? end : end - at);
        at = end == std::string::npos ? log.size() : end + 1;
        std::vector<std::string> fields(1);
        bool quoted = false;
        for (const char c : line) {
            if (c == '"') {
                quoted = !quoted;
            } else if (c == ',' && !quoted) {
                fields.emplace_back();
            } else {
                fields.back().push_back(c);
            }
        }
        if (end == std::string::npos || fields.size() != 13) {
            if (cut != nullptr) {
                cut->push_back(line);
            }
            continue;
        }
        records.push_back(
            {std::stoi(fields[1]), fields[8], fields[9], fields[10], fields[11], fields[12]});
    }
    return records;
}

std::map<int, int> SettledCounts(const std::vector<LogRecord>& records) {
    std::map<int, int> settled;
    for (const LogRecord& r : records) {
        if (r.kind == "result" && (r.result.starts_with("verified") || r.result == "skipped")) {
            ++settled[r.row];
        }
    }
    return settled;
}

TagLine::TagLine(std::string port)
    : m_port(std::move(port)), m_reader(std::make_unique<sim::SimTagReader>(Options({}))) {}

sim::SimTagReader::Options TagLine::Options(sim::TagState tag) {
    return {.portName = m_port,
            .tag = std::move(tag),
            .log = [this](std::string_view frame, std::string_view) {
                std::lock_guard lock(m_mutex);
                m_frames.push_back({std::string(frame.substr(1, frame.size() - 2)),
                                    m_onReader.load(), m_line.load()});
            }};
}

void TagLine::Replug() {
    m_reader->HangUp();
    sim::TagState tag = m_reader->Tag();
    m_reader.reset();  // its link goes with it
    m_reader = std::make_unique<sim::SimTagReader>(Options(std::move(tag)));
}

std::vector<TagLine::Frame> TagLine::Frames() const {
    std::lock_guard lock(m_mutex);
    return m_frames;
}

std::size_t TagLine::WritesSoFar() const {
    std::lock_guard lock(m_mutex);
    return static_cast<std::size_t>(std::count_if(m_frames.begin(), m_frames.end(),
                                                  [](const Frame& f) { return f.payload != "R"; }));
}

std::vector<sim::TagState> TagLine::Tags() const {
    std::lock_guard lock(m_mutex);
    std::vector<sim::TagState> tags = m_tags;
    if (m_onReader >= 0) {
        tags[static_cast<std::size_t>(m_onReader.load())] = m_reader->Tag();
    }
    return tags;
}

void TagLine::Place(int index) {
    std::lock_guard lock(m_mutex);
    if (m_onReader >= 0) {
        m_tags[static_cast<std::size_t>(m_onReader.load())] = m_reader->Tag();
    }
    m_reader->SetTag(m_tags[static_cast<std::size_t>(index)]);
    m_onReader = index;
}

int TagLine::PlaceFresh() {
    int index = 0;
    {
        std::lock_guard lock(m_mutex);
        m_tags.emplace_back();
        index = static_cast<int>(m_tags.size()) - 1;
    }
    Place(index);
    return index;
}

int TagLine::PlaceFreshFor(int line) {
    m_line = line;
    return PlaceFresh();
}

void TagLine::Remove() {
    {
        std::lock_guard lock(m_mutex);
        m_tags[static_cast<std::size_t>(m_onReader.load())] = m_reader->Tag();
        m_reader->RemoveTag();
        m_onReader = -1;
    }
    EXPECT_TRUE(m_reader->WaitForFrames(m_reader->Frames().size() + 1, 5s)) << "no poll came";
}

TagLine::Ended TagLine::Serve(CliRun& run, const std::function<bool()>& stop, int most) {
    for (int asked = 0;; ++asked) {
        const std::optional<std::string> question = run.AwaitQuestion(stop);
        if (!question) {
            return run.HasEnded()   ? Ended::Exited
                   : stop && stop() ? Ended::Stopped
                                    : Ended::TimedOut;
        }
        if (asked >= most) {
            run.Input("q\n");
            return Ended::Enough;
        }
        const std::size_t at = question->find("line ");
        const int line = at == std::string::npos ? 0 : std::stoi(question->substr(at + 5));
        if (question->find("Type yes") != std::string::npos) {
            run.Input("yes\n");
            continue;
        }
        const auto own = m_tagOfLine.find(line);
        if (question->find("put its tag back") != std::string::npos && own != m_tagOfLine.end()) {
            if (lost.count(line) != 0) {
                setAside.insert(own->second);
                run.Input("n\n");
                continue;
            }
            Place(own->second);
        } else if (m_mistake) {
            Place(*m_mistake);
            m_mistake.reset();
        } else {
            PlaceFresh();
        }
        m_line = line;
        m_tagOfLine[line] = m_onReader;
        run.Input("\n");
    }
}

void TagLine::ExpectEveryRowOnOneTag(
    const std::vector<std::tuple<int, std::string, std::string>>& rows,
    const std::string& log) const {
    const std::vector<sim::TagState> tags = Tags();
    std::map<int, std::set<int>> tagsOfRow;
    std::map<int, std::set<int>> rowsOfTag;
    for (const Frame& frame : Frames()) {
        if (frame.payload != "R" && setAside.count(frame.tag) == 0) {
            tagsOfRow[frame.line].insert(frame.tag);
            rowsOfTag[frame.tag].insert(frame.line);
        }
    }
    const std::map<int, int> settled = SettledCounts(Records(log));
    for (const auto& [line, homepage, tableInfo] : rows) {
        SCOPED_TRACE("line " + std::to_string(line));
        const auto found = settled.find(line);
        EXPECT_EQ(found == settled.end() ? 0 : found->second, 1) << log;
        const std::set<int>& on = tagsOfRow[line];
        ASSERT_EQ(on.size(), 1u) << "tags written for it";
        const sim::TagState& tag = tags[static_cast<std::size_t>(*on.begin())];
        if (!homepage.empty()) {
            EXPECT_EQ(tag.homepage, homepage);
        }
        if (!tableInfo.empty()) {
            EXPECT_EQ(tag.tableInfo, tableInfo);
        }
    }
    for (const auto& [tag, lines] : rowsOfTag) {
        EXPECT_EQ(lines.size(), 1u) << "rows written onto tag " << tag;
    }
}

}  // namespace clitest
