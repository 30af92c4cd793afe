// velmora-tag batch as a production line meets it: keys pressed twice, a reader unplugged, a kill,
// a full disk, a finished tag put back, a batch file edited. Each time every row must end up on
// the tag the operator placed, once, with a log that says so.

#include <gtest/gtest.h>

#include <signal.h>

#include <map>
#include <random>
#include <thread>

#include "tag_fixture.h"

namespace clitest {
namespace {

// Homepage-only rows tag-2 … tag-<last>, each on the line of its number.
std::string TagRows(int last) {
    std::string csv = "homepage,table_info,lock\n";
    for (int line = 2; line <= last; ++line) {
        csv += "tag-" + std::to_string(line) + ",,0\n";
    }
    return csv;
}

struct LogRecord {
    int row = 0;
    std::string result;
    std::string kind;  // "started" or "result"
};

// The whole records of a log; no field of the test's holds a doubled quote, so quotes only group.
// A line that is not a whole record is `cut`.
std::vector<LogRecord> Records(const std::string& log, std::vector<std::string>* cut = nullptr) {
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
        records.push_back({std::stoi(fields[1]), fields[11], fields[12]});
    }
    return records;
}

std::map<int, int> SettledCounts(const std::vector<LogRecord>& records) {
    std::map<int, int> settled;
    for (const LogRecord& r : records) {
        if (r.kind == "result" && (r.result == "verified" || r.result == "skipped")) {
            ++settled[r.row];
        }
    }
    return settled;
}

class Batch : public VelmoraTag {
  protected:
    std::vector<std::string> BatchArgs(const std::string& port = kPort) const {
        return {"--port", port, "batch", "tags.csv", "--log", "results.csv", "--resume"};
    }
};

TEST_F(Batch, KeysTypedAheadNeverAnswerTheNextTag) {
    WriteFile("tags.csv", TagRows(3));
    CliRun run(BatchArgs(), m_folder, CliRun::Stdin::Terminal);
    ASSERT_TRUE(run.Await("line 2: homepage \"tag-2\". Place the tag"));
    run.Input("\n\n");  // Enter pressed twice
    ASSERT_TRUE(m_reader.WaitForFrames(1, 5s));
    run.Input("\n");  // and once more while the tag is written
    ASSERT_TRUE(run.Await("line 3: homepage \"tag-3\". Place the tag"));
    EXPECT_FALSE(m_reader.WaitForFrames(3, 300ms)) << "a key typed ahead wrote line 3";
    run.Input("q\n");
    const std::optional<CliRun::Ending> ending = run.Wait();
    ASSERT_TRUE(ending);
    EXPECT_EQ(ending->status, 1) << run.Errors();
    EXPECT_EQ(Payloads(), (std::vector<std::string>{"Utag-2", "R"}));
    EXPECT_NE(run.Output().find("1 written, 0 failed, 0 skipped, 1 not done"), std::string::npos)
        << run.Output();
}

TEST_F(Batch, ALostDeviceStopsTheBatchAndResumeRetriesItsRow) {
    WriteFile("tags.csv", TagRows(5));
    {
        CliRun run(BatchArgs(), m_folder);
        run.Input("\n\n\n\n");
        ASSERT_TRUE(m_reader.WaitForFrames(3, 10s));  // line 3's write is out
        m_reader.HangUp();
        const std::optional<CliRun::Ending> ending = run.Wait();
        ASSERT_TRUE(ending);
        EXPECT_EQ(ending->status, 1);
        EXPECT_NE(run.Errors().find("The device on COM7 is gone"), std::string::npos)
            << run.Errors();
        EXPECT_NE(run.Output().find("line 3: not done: "), std::string::npos) << run.Output();
        EXPECT_NE(run.Output().find("1 written, 0 failed, 0 skipped, 3 not done"),
                  std::string::npos)
            << run.Output();
    }
    EXPECT_EQ(Payloads(), (std::vector<std::string>{"Utag-2", "R", "Utag-3"}));

    // The reader comes back under another name; the log knows the rows, not the port.
    sim::SimTagReader back({.portName = "COM8", .tag = {}, .log = {}});
    const RunResult resumed = Run(BatchArgs("COM8"), "\n\n\n");
    EXPECT_EQ(resumed.ending.status, 0) << resumed.err;
    EXPECT_NE(resumed.out.find("3 of 4 rows left, 1 of them a retry"), std::string::npos)
        << resumed.out;
    EXPECT_EQ(PayloadsOf(back),
              (std::vector<std::string>{"Utag-3", "R", "Utag-4", "R", "Utag-5", "R"}));
    EXPECT_EQ(SettledCounts(Records(ReadFile("results.csv"))),
              (std::map<int, int>{{2, 1}, {3, 1}, {4, 1}, {5, 1}}));
}

TEST_F(Batch, EveryRequestToStopFinishesTheTagUnderWay) {
    WriteFile("tags.csv", TagRows(3));
    for (const int signal : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        std::filesystem::remove(m_folder / "results.csv");
        const std::size_t before = m_reader.Frames().size();
        CliRun run(BatchArgs(), m_folder);
        run.Input("\n\n");
        ASSERT_TRUE(m_reader.WaitForFrames(before + 1, 10s));
        run.Signal(signal);
        const std::optional<CliRun::Ending> ending = run.Wait();
        ASSERT_TRUE(ending);
        EXPECT_EQ(ending->signal, signal) << "a calling shell must see the signal";
        EXPECT_NE(run.Output().find("line 2: written and verified\ninterrupted"), std::string::npos)
            << run.Output();
        EXPECT_EQ(Payloads(before), (std::vector<std::string>{"Utag-2", "R"}));
        EXPECT_EQ(SettledCounts(Records(ReadFile("results.csv"))), (std::map<int, int>{{2, 1}}));
    }
}

TEST_F(Batch, ALogThatCannotBeWrittenStopsTheBatchAndIsNeverGluedOnto) {
    WriteFile("tags.csv", TagRows(4));
    // Room for the header (127 bytes) and line 2's two records (51 and 79), and for 30 bytes of
    // line 3's first.
    constexpr std::uint64_t kLimit = 127 + 51 + 79 + 30;
    {
        CliRun run(BatchArgs(), m_folder);
        run.LimitFileSize(kLimit);
        run.Input("\n\n\n");
        const std::optional<CliRun::Ending> ending = run.Wait();
        ASSERT_TRUE(ending);
        EXPECT_EQ(ending->signal, 0) << "SIGXFSZ must not end the program";
        EXPECT_EQ(ending->status, 1);
        EXPECT_NE(run.Errors().find("cannot write the log results.csv: File too large"),
                  std::string::npos)
            << run.Errors();
    }
    EXPECT_EQ(Payloads(), (std::vector<std::string>{"Utag-2", "R"})) << "line 3 went out unlogged";
    ASSERT_EQ(std::filesystem::file_size(m_folder / "results.csv"), kLimit);

    const RunResult resumed = Run(BatchArgs(), "\n\n");
    EXPECT_EQ(resumed.ending.status, 0) << resumed.err;
    EXPECT_NE(resumed.out.find("results.csv line 4: a record cut short"), std::string::npos)
        << resumed.out;
    std::vector<std::string> cut;
    const std::vector<LogRecord> records = Records(ReadFile("results.csv"), &cut);
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_TRUE(cut[0].ends_with(",3,tag-3,,")) << cut[0];
    EXPECT_EQ(SettledCounts(records), (std::map<int, int>{{2, 1}, {3, 1}, {4, 1}}));
    EXPECT_EQ(Payloads(2), (std::vector<std::string>{"Utag-3", "R", "Utag-4", "R"}));
}

TEST_F(Batch, AKillAtAnyMomentLeavesEveryRowDoneOnce) {
    WriteFile("tags.csv", TagRows(6));
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> moment(0, 2500);
    for (int kill = 0; kill < 6; ++kill) {
        CliRun run(BatchArgs(), m_folder);
        run.Input("\n\n\n\n\n");
        std::this_thread::sleep_for(std::chrono::milliseconds(moment(random)));
        run.Signal(SIGKILL);
        ASSERT_TRUE(run.Wait());
    }
    const RunResult last = Run(BatchArgs(), "\n\n\n\n\n");
    EXPECT_EQ(last.ending.status, 0) << last.err;

    const std::vector<LogRecord> records = Records(ReadFile("results.csv"));
    EXPECT_EQ(SettledCounts(records), (std::map<int, int>{{2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 1}}));
    std::map<int, int> attempts;
    for (const LogRecord& r : records) {
        attempts[r.row] += r.kind == "started" ? 1 : 0;
    }
    std::map<int, int> writes;
    for (const std::string& payload : Payloads()) {
        if (payload != "R") {
            ++writes[std::stoi(payload.substr(5))];
        }
    }
    for (int row = 2; row <= 6; ++row) {
        SCOPED_TRACE("row " + std::to_string(row));
        // A frame goes out only behind its record: a kill between the two costs an attempt its
        // frame, never the other way round.
        EXPECT_GE(writes[row], 1);
        EXPECT_LE(writes[row], attempts[row]);
    }
}

TEST_F(Batch, AFinishedTagPutBackKeepsItsTableInfo) {
    WriteFile("tags.csv", "homepage,table_info,lock\nnew,T9,1\n");
    m_reader.SetTag({"old", "keep", true});
    const RunResult run = Run(BatchArgs(), "\nyes\n");
    EXPECT_EQ(run.ending.status, 1);
    EXPECT_NE(run.out.find("homepage write failed: the device answered \"Locked\"; the table "
                           "info was not written"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(Payloads(), (std::vector<std::string>{"Lnew"}));
    EXPECT_EQ(m_reader.Tag().tableInfo, "keep");
}

TEST_F(Batch, ADeviceThatTakesNoBytesStopsTheBatch) {
    WriteFile("tags.csv", TagRows(3));
    CliRun run(BatchArgs(), m_folder);
    ASSERT_TRUE(run.Await("Place the tag"));  // the port is open: its opening purged the line
    m_reader.SetDeaf(true);
    run.Input("\n\n");
    const std::optional<CliRun::Ending> ending = run.Wait();
    ASSERT_TRUE(ending);
    EXPECT_EQ(ending->status, 1);
    EXPECT_NE(
        run.Output().find("line 2: not done: homepage write failed: the frame did not go out"),
        std::string::npos)
        << run.Output();
    EXPECT_EQ(run.Output().find("line 3: homepage"), std::string::npos) << "the batch went on";
    EXPECT_NE(run.Output().find("0 written, 0 failed, 0 skipped, 2 not done"), std::string::npos)
        << run.Output();
}

TEST_F(Batch, ResumeRefusesALogOfAnotherFile) {
    WriteFile("tags.csv", TagRows(4));
    const RunResult first = Run(BatchArgs(), "\nq\n");
    EXPECT_EQ(first.ending.status, 1);
    const std::size_t sent = m_reader.Frames().size();

    // A row inserted in front of the done one moves it to another line.
    WriteFile("tags.csv", "homepage,table_info,lock\nnew-2,,0\ntag-2,,0\ntag-3,,0\n");
    const RunResult edited = Run(BatchArgs(), "\n\n\n");
    EXPECT_EQ(edited.ending.status, 2);
    EXPECT_NE(edited.err.find("results.csv line 2: row 2 asked for homepage \"tag-2\""),
              std::string::npos)
        << edited.err;
    EXPECT_EQ(m_reader.Frames().size(), sent);

    const RunResult nowhere =
        Run({"--port", kPort, "batch", "tags.csv", "--log", "missing/results.csv"});
    EXPECT_EQ(nowhere.ending.status, 2);
    EXPECT_NE(nowhere.err.find("cannot write the log missing/results.csv: No such file"),
              std::string::npos)
        << nowhere.err;

    // A batch whose port does not open leaves no log.
    const RunResult unplugged = Run({"--port", "COM40", "batch", "tags.csv", "--log", "new.csv"});
    EXPECT_EQ(unplugged.ending.status, 3);
    EXPECT_FALSE(std::filesystem::exists(m_folder / "new.csv"));
}

TEST_F(Batch, ReadsBatchFilesAsPeopleSaveThem) {
    // A spreadsheet's header and empty columns, and a line of spaces.
    WriteFile("tags.csv", " Homepage , TABLE_INFO,Lock ,,\r\n   \r\nhttp://" +
                              std::string(60, 'h') + ",,,,\r\n");
    const RunResult accepted = Run({"--port", kPort, "batch", "tags.csv"}, "q\n");
    EXPECT_EQ(accepted.ending.status, 1) << accepted.err;
    EXPECT_NE(accepted.out.find("line 3: homepage \"http://hhhh"), std::string::npos)
        << "60 bytes once http:// is gone: " << accepted.err;

    const std::vector<std::pair<std::string, std::vector<std::string>>> refused = {
        {"homepage;table_info;lock\na;b;0\n",
         {"line 1: fields are separated by semicolons: save the file with commas"}},
        {"name,url\n", {"line 1: the header must be homepage,table_info,lock; it is \"name,url\""}},
        {"homepage,table_info,lock\n\"two\nlines\",,0\nok,,0\nx,,maybe\n" + std::string(61, 'h') +
             ",,0\n",
         {"line 2: the homepage holds a line end", "line 5: lock is 'maybe'",
          "line 6: the homepage is 61 bytes long"}},
    };
    for (const auto& [text, reasons] : refused) {
        SCOPED_TRACE(text);
        WriteFile("bad.csv", text);
        const RunResult run = Run({"--port", kPort, "batch", "bad.csv"});
        EXPECT_EQ(run.ending.status, 2);
        for (const std::string& reason : reasons) {
            EXPECT_NE(run.err.find(reason), std::string::npos) << run.err;
        }
    }
    EXPECT_EQ(m_reader.Received(), "");
}

}  // namespace
}  // namespace clitest
