// velmora-tag batch as a production line meets it: a stack of tags and an operator who places a
// fresh one for each row and puts a row's tag back when asked; keys pressed twice, a reader
// unplugged, kills, a full disk, a finished tag put back, two runs on one log, late answers, rows
// that ask for the same. Each time every row must end up on one tag, once, with a log that says so.

#include <gtest/gtest.h>

#include <signal.h>

#include <fstream>
#include <iterator>
#include <random>
#include <thread>
#include <tuple>

#include "production_line.h"
#include "support/temp_config_home.h"

namespace clitest {
namespace {

constexpr char kPort[] = "COM7";
using Rows = std::vector<std::tuple<int, std::string, std::string>>;

// Rows tag-<n> (with table info T-<n> when `tableInfo`) on lines 2 … last.
Rows Numbered(int last, bool tableInfo) {
    Rows rows;
    for (int line = 2; line <= last; ++line) {
        rows.emplace_back(line, "tag-" + std::to_string(line),
                          tableInfo ? "T-" + std::to_string(line) : "");
    }
    return rows;
}

std::string Csv(const Rows& rows, bool lock = false) {
    std::string csv = "homepage,table_info,lock\n";
    for (const auto& [line, homepage, tableInfo] : rows) {
        csv += homepage + "," + tableInfo + (lock ? ",1\n" : ",0\n");
    }
    return csv;
}

class ProductionLine : public ::testing::Test {
  protected:
    ProductionLine() { std::filesystem::create_directories(m_folder); }

    void WriteFile(const std::string& name, const std::string& text) {
        std::ofstream(m_folder / name, std::ios::binary) << text;
    }
    std::string ReadFile(const std::string& name) const {
        std::ifstream file(m_folder / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }
    std::string Log() const { return ReadFile("results.csv"); }

    // The batch with its log, resumed as an operator would: when the log holds a record.
    std::vector<std::string> Args(const std::string& port = kPort) const {
        std::vector<std::string> args{"--port", port, "batch", "tags.csv", "--log", "results.csv"};
        if (!Records(Log()).empty()) {
            args.push_back("--resume");
        }
        return args;
    }

    // A run served to its end; its ending.
    CliRun::Ending ServeToEnd(TagLine& line, CliRun& run) {
        EXPECT_EQ(line.Serve(run), TagLine::Ended::Exited) << run.Output();
        return run.Wait().value_or(CliRun::Ending{});
    }

    std::vector<std::string> PayloadsFrom(std::size_t from) const {
        std::vector<std::string> payloads;
        const auto frames = m_line.Frames();
        for (std::size_t i = from; i < frames.size(); ++i) {
            payloads.push_back(frames[i].payload);
        }
        return payloads;
    }

    testsupport::TempConfigHome m_config;
    std::filesystem::path m_folder = m_config.Path() / "work";
    TagLine m_line{kPort};
};

TEST_F(ProductionLine, KeysTypedAheadNeverAnswerTheNextTag) {
    WriteFile("tags.csv", Csv(Numbered(3, false)));
    CliRun run(Args(), m_folder, CliRun::Stdin::Terminal);
    ASSERT_TRUE(run.Await("line 2: homepage \"tag-2\". Place the tag"));
    run.Input("\n\n");  // Enter pressed twice
    ASSERT_TRUE(m_line.Reader().WaitForFrames(2, 5s));
    run.Input("\n");  // and once more while the tag is written
    ASSERT_TRUE(run.Await("line 3: homepage \"tag-3\". Place the tag"));
    EXPECT_FALSE(m_line.Reader().WaitForFrames(4, 300ms)) << "a key typed ahead read line 3";
    run.Input("q\n");
    const std::optional<CliRun::Ending> ending = run.Wait();
    ASSERT_TRUE(ending);
    EXPECT_EQ(ending->status, 1) << run.Errors();
    EXPECT_EQ(PayloadsFrom(0), (std::vector<std::string>{"R", "Utag-2", "R"}));
    EXPECT_NE(run.Output().find("1 written, 0 failed, 0 skipped, 1 not done"), std::string::npos)
        << run.Output();
}

// Ten kills at random moments: an interrupted row asks for its tag back and writes only what
// that tag lacks, so no row is ever on a second tag.
TEST_F(ProductionLine, KillsNeverPutARowOnTwoTags) {
    const Rows rows = Numbered(7, true);
    WriteFile("tags.csv", Csv(rows));
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> moment(100, 2500);
    for (int kill = 0; kill < 10; ++kill) {
        CliRun run(Args(), m_folder);
        const auto when =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(moment(random));
        m_line.Serve(run, [&] { return std::chrono::steady_clock::now() >= when; });
        run.Signal(SIGKILL);
        ASSERT_TRUE(run.Wait());
    }
    CliRun last(Args(), m_folder);
    EXPECT_EQ(ServeToEnd(m_line, last).status, 0) << last.Errors();
    m_line.ExpectEveryRowOnOneTag(rows, Log());
}

// Five hang-ups, each right behind a write frame, and the reader plugged in again each time.
TEST_F(ProductionLine, HangUpsMidRowNeverPutARowOnTwoTags) {
    const Rows rows = Numbered(6, true);
    WriteFile("tags.csv", Csv(rows));
    for (int hangUp = 0; hangUp < 5; ++hangUp) {
        SCOPED_TRACE("hang-up " + std::to_string(hangUp));
        CliRun run(Args(), m_folder);
        const std::size_t target = m_line.WritesSoFar() + 1 + static_cast<std::size_t>(hangUp % 2);
        if (m_line.Serve(run, [&] { return m_line.WritesSoFar() >= target; }) ==
            TagLine::Ended::Exited) {
            break;
        }
        m_line.Replug();
        const std::optional<CliRun::Ending> ending = run.Wait();
        ASSERT_TRUE(ending);
        EXPECT_EQ(ending->status, 1);
        EXPECT_NE(run.Errors().find("The device on COM7 is gone"), std::string::npos)
            << run.Errors();
        EXPECT_NE(run.Output().find(": not done: "), std::string::npos) << run.Output();
    }
    CliRun last(Args(), m_folder);
    EXPECT_EQ(ServeToEnd(m_line, last).status, 0) << last.Errors();
    EXPECT_NE(last.Output().find("was being written when the batch stopped"), std::string::npos)
        << last.Output();
    m_line.ExpectEveryRowOnOneTag(rows, Log());
}

// The device goes right behind a read-back that came whole: the bytes that came decide the row.
TEST_F(ProductionLine, AReadBackThatCameWholeDecidesItsRowWhenTheDeviceGoes) {
    WriteFile("tags.csv", Csv(Numbered(3, true)));
    for (int frame = 0; frame < 3; ++frame) {
        m_line.Reader().Script(sim::Reply());
    }
    m_line.Reader().Script(sim::Reply().HangingUpAfter(std::string("tag-2,T-2").size()));
    CliRun run(Args(), m_folder);
    const CliRun::Ending ending = ServeToEnd(m_line, run);
    EXPECT_EQ(ending.status, 1);
    EXPECT_NE(run.Output().find("line 2: written and verified\n"), std::string::npos)
        << run.Output();
    EXPECT_NE(run.Errors().find("The device on COM7 is gone"), std::string::npos) << run.Errors();
    EXPECT_EQ(PayloadsFrom(0), (std::vector<std::string>{"R", "Utag-2", "WT-2", "R"}));
    EXPECT_EQ(SettledCounts(Records(Log())), (std::map<int, int>{{2, 1}}));
}

// A request to stop during a write lets the tag finish; one during the first read, before
// anything on the tag has changed, stops there.
TEST_F(ProductionLine, EveryRequestToStopFinishesTheTagUnderWay) {
    WriteFile("tags.csv", Csv(Numbered(3, false)));
    struct Case {
        int signal;
        std::size_t framesBefore;
        std::vector<std::string> payloads;
        std::map<int, int> settled;
    };
    const std::vector<Case> cases = {
        {SIGTERM, 2, {"R", "Utag-2", "R"}, {{2, 1}}},
        {SIGHUP, 2, {"R", "Utag-2", "R"}, {{2, 1}}},
        {SIGTERM, 1, {"R"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.signal) + " behind frame " + std::to_string(c.framesBefore));
        std::filesystem::remove(m_folder / "results.csv");
        const std::size_t before = m_line.Frames().size();
        CliRun run(Args(), m_folder);
        m_line.Serve(run, [&] { return m_line.Frames().size() >= before + c.framesBefore; });
        run.Signal(c.signal);
        const std::optional<CliRun::Ending> ending = run.Wait();
        ASSERT_TRUE(ending);
        EXPECT_EQ(ending->signal, c.signal) << "a calling shell must see the signal";
        EXPECT_NE(run.Output().find("interrupted; no tag was left half done"), std::string::npos)
            << run.Output();
        EXPECT_EQ(PayloadsFrom(before), c.payloads);
        EXPECT_EQ(SettledCounts(Records(Log())), c.settled);
        if (c.settled.empty()) {
            EXPECT_EQ(Log().find("started"), std::string::npos) << "no write was begun";
        }
    }
}

// A started record cut short stops the batch before the write; a result record cut short leaves
// its row not done in the end line and in the resume alike, and the resume finds it on its tag.
TEST_F(ProductionLine, ALogThatCannotBeWrittenStopsTheBatchAndIsNeverGluedOnto) {
    const Rows rows = Numbered(4, false);
    WriteFile("tags.csv", Csv(rows));
    // Room for the header (127 bytes) and line 2's two records (51 and 79), and for 30 bytes of
    // line 3's first.
    constexpr std::uint64_t kLimit = 127 + 51 + 79 + 30;
    {
        CliRun run(Args(), m_folder);
        run.LimitFileSize(kLimit);
        const CliRun::Ending ending = ServeToEnd(m_line, run);
        EXPECT_EQ(ending.signal, 0) << "SIGXFSZ must not end the program";
        EXPECT_EQ(ending.status, 1);
        EXPECT_NE(run.Errors().find("cannot write the log results.csv: File too large"),
                  std::string::npos)
            << run.Errors();
    }
    EXPECT_EQ(PayloadsFrom(0), (std::vector<std::string>{"R", "Utag-2", "R", "R"}))
        << "line 3 was written unlogged";
    ASSERT_EQ(std::filesystem::file_size(m_folder / "results.csv"), kLimit);

    CliRun resumed(Args(), m_folder);
    EXPECT_EQ(ServeToEnd(m_line, resumed).status, 0) << resumed.Errors();
    EXPECT_NE(resumed.Output().find("results.csv line 4: a record cut short"), std::string::npos)
        << resumed.Output();
    std::vector<std::string> cut;
    Records(Log(), &cut);
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_TRUE(cut[0].ends_with(",3,tag-3,,")) << cut[0];
    m_line.ExpectEveryRowOnOneTag(rows, Log());

    // Line 2's result cut: on its tag, yet not done until a run records it.
    std::filesystem::remove(m_folder / "results.csv");
    WriteFile("tags.csv", Csv(Numbered(3, false)));
    {
        CliRun run(Args(), m_folder);
        run.LimitFileSize(127 + 51 + 30);
        ServeToEnd(m_line, run);
        EXPECT_NE(run.Output().find("0 written, 0 failed, 0 skipped, 2 not done"),
                  std::string::npos)
            << run.Output();
    }
    const std::size_t before = m_line.Frames().size();
    CliRun again(Args(), m_folder);
    EXPECT_EQ(ServeToEnd(m_line, again).status, 0) << again.Errors();
    EXPECT_NE(again.Output().find("2 of 2 rows left, 1 of them a retry"), std::string::npos)
        << again.Output();
    EXPECT_NE(again.Output().find("line 2: it was on its tag already; nothing written"),
              std::string::npos)
        << again.Output();
    EXPECT_EQ(PayloadsFrom(before), (std::vector<std::string>{"R", "R", "Utag-3", "R"}));
}

TEST_F(ProductionLine, TwoRunsOnOneLogAreRefused) {
    WriteFile("tags.csv", Csv(Numbered(3, false)));
    TagLine other("COM8");
    CliRun first(Args(), m_folder);
    // Line 2 done; the first run waits at line 3's question, the log still its own.
    m_line.Serve(first, [&] { return !SettledCounts(Records(Log())).empty(); });
    const std::string holder = "(process " + std::to_string(first.Pid()) + ")";
    for (const bool resume : {false, true}) {
        std::vector<std::string> args{"--port",   "COM8",  "batch",
                                      "tags.csv", "--log", "results.csv"};
        if (resume) {
            args.push_back("--resume");
        }
        CliRun second(args, m_folder);
        const std::optional<CliRun::Ending> ending = second.Wait();
        ASSERT_TRUE(ending);
        EXPECT_EQ(ending->status, 2) << second.Errors();
        EXPECT_NE(
            second.Errors().find("results.csv is the log of a batch that is running " + holder),
            std::string::npos)
            << second.Errors();
    }
    EXPECT_TRUE(other.Frames().empty());
    first.Input("q\n");
    ASSERT_TRUE(first.Wait());
    EXPECT_EQ(SettledCounts(Records(Log())), (std::map<int, int>{{2, 1}}));
}

// A LOCK row killed once its tag is whole and locked, and one killed behind the locked write: put
// back, the tag's refusal of the locked write proves the lock, and what it lacks is written.
TEST_F(ProductionLine, AnInterruptedLockRowIsFinishedOnItsOwnTag) {
    const Rows rows = Numbered(3, true);
    WriteFile("tags.csv", Csv(rows, true));
    for (const std::string killBehind : {"WT-2", "Ltag-3"}) {
        SCOPED_TRACE(killBehind);
        CliRun run(Args(), m_folder);
        m_line.Serve(run, [&] {
            const auto frames = m_line.Frames();
            return !frames.empty() && frames.back().payload == killBehind;
        });
        ASSERT_TRUE(m_line.Reader().Tag().locked);
        run.Signal(SIGKILL);
        ASSERT_TRUE(run.Wait());
        const std::size_t before = m_line.Frames().size();
        CliRun resumed(Args(), m_folder);
        m_line.Serve(resumed,
                     [&] { return resumed.Output().find("locked already") != std::string::npos; });
        const std::vector<std::string> expected =
            killBehind == "WT-2" ? std::vector<std::string>{"R", "Ltag-2", "R"}
                                 : std::vector<std::string>{"R", "Ltag-3", "WT-3", "R"};
        EXPECT_EQ(PayloadsFrom(before), expected) << resumed.Output();
        resumed.Input("q\n");
        ASSERT_TRUE(resumed.Wait());
    }
    EXPECT_NE(Log().find("verified: the tag refused the locked write, so it is locked"),
              std::string::npos);
    m_line.ExpectEveryRowOnOneTag(rows, Log());
}

// Answers a second late: each is dropped in the quiet gap before the next frame, never taken for
// its answer, with the operator answering every prompt at once.
TEST_F(ProductionLine, LateAnswersNeverCountForTheNextExchange) {
    WriteFile("tags.csv", Csv(Numbered(4, true)));
    for (int frame = 0; frame < 3; ++frame) {
        m_line.Reader().Script(sim::Reply());
        m_line.Reader().Script(sim::Reply());
        m_line.Reader().Script(sim::Reply().After(1100ms));  // the table info's answer
    }
    CliRun tableInfoLate(Args(), m_folder);
    ServeToEnd(m_line, tableInfoLate);
    EXPECT_NE(tableInfoLate.Output().find("0 written, 3 failed"), std::string::npos)
        << tableInfoLate.Output();
    EXPECT_NE(tableInfoLate.Output().find("were dropped: \"Success\""), std::string::npos)
        << tableInfoLate.Output();
    for (const LogRecord& record : Records(Log())) {
        if (record.kind == "result") {
            EXPECT_EQ(record.homepageAnswer, "Success");
            EXPECT_EQ(record.tableInfoAnswer, "");
            EXPECT_EQ(record.result, "table info write failed: no answer from the device");
        }
    }
    EXPECT_EQ(Log().find("SuccessSuccess"), std::string::npos);

    // Every answer 1.05 s late: no read is ever answered in its second, so nothing is written.
    std::filesystem::remove(m_folder / "results.csv");
    for (int frame = 0; frame < 4; ++frame) {
        m_line.Reader().Script(sim::Reply().After(1050ms));
    }
    const std::size_t before = m_line.Frames().size();
    CliRun allLate(Args(), m_folder);
    EXPECT_EQ(m_line.Serve(allLate, {}, 3), TagLine::Ended::Enough);
    ASSERT_TRUE(allLate.Wait());
    EXPECT_EQ(PayloadsFrom(before), (std::vector<std::string>{"R", "R", "R"}));
    EXPECT_NE(allLate.Output().find("no answer to the read"), std::string::npos);
    // A fresh tag is on the reader at each question: the first read's answer, a second late.
    EXPECT_NE(allLate.Output().find("were dropped: \",\""), std::string::npos) << allLate.Output();
}

// One address on many tags: each row gets a fresh tag of its own; a finished tag put back by
// mistake is refused, and a killed row's tag put back is the row's even though others hold the
// same.
TEST_F(ProductionLine, RowsThatAskTheSameEachEndOnATagOfTheirOwn) {
    Rows rows;
    for (int line = 2; line <= 6; ++line) {
        rows.emplace_back(line, "same.example", "");
    }
    WriteFile("tags.csv", Csv(rows));
    CliRun run(Args(), m_folder);
    m_line.Serve(run, [&] { return m_line.WritesSoFar() >= 2; });  // lines 2 and 3 written
    ASSERT_TRUE(run.Await("line 3: written and verified"));
    m_line.MistakeNext(0);  // line 2's tag
    m_line.Serve(run, [&] { return m_line.WritesSoFar() >= 3; });
    run.Signal(SIGKILL);  // during line 4, behind its write
    ASSERT_TRUE(run.Wait());
    EXPECT_NE(run.Output().find("The tag on the reader holds line 2, which is finished"),
              std::string::npos)
        << run.Output();

    CliRun resumed(Args(), m_folder);
    EXPECT_EQ(ServeToEnd(m_line, resumed).status, 0) << resumed.Errors();
    EXPECT_NE(resumed.Output().find("line 4: it was on its tag already"), std::string::npos)
        << resumed.Output();
    m_line.ExpectEveryRowOnOneTag(rows, Log());
    EXPECT_EQ(m_line.Tags().size(), 5u) << "five rows, five tags: the one put back was refused";
}

// A lost tag: the row goes onto a new one, and the operator is told to set the old one aside.
TEST_F(ProductionLine, ALostTagIsSetAsideAndItsRowWrittenAgain) {
    const Rows rows = Numbered(2, true);
    WriteFile("tags.csv", Csv(rows));
    CliRun run(Args(), m_folder);
    m_line.Serve(run, [&] { return m_line.WritesSoFar() >= 1; });
    run.Signal(SIGKILL);
    ASSERT_TRUE(run.Wait());
    m_line.lost.insert(2);
    CliRun resumed(Args(), m_folder);
    EXPECT_EQ(ServeToEnd(m_line, resumed).status, 0) << resumed.Errors();
    EXPECT_NE(resumed.Output().find("The lost tag may hold line 2 too: set it aside"),
              std::string::npos)
        << resumed.Output();
    EXPECT_NE(Log().find("not done: its tag was lost and is to be set aside"), std::string::npos);
    m_line.ExpectEveryRowOnOneTag(rows, Log());
}

TEST_F(ProductionLine, AFinishedTagPutBackKeepsItsTableInfo) {
    WriteFile("tags.csv", "homepage,table_info,lock\nnew,T9,1\n");
    m_line.Reader().SetTag({"old", "keep", true});
    CliRun run(Args(), m_folder);
    run.Input("\nyes\n");
    const std::optional<CliRun::Ending> ending = run.Wait();
    ASSERT_TRUE(ending);
    EXPECT_EQ(ending->status, 1);
    EXPECT_NE(run.Output().find("homepage write failed: the device answered \"Locked\"; the "
                                "table info was not written"),
              std::string::npos)
        << run.Output();
    EXPECT_EQ(PayloadsFrom(0), (std::vector<std::string>{"R", "Lnew"}));
    EXPECT_EQ(m_line.Reader().Tag().tableInfo, "keep");
}

// Hands-free: the operator only swaps tags. A tag left on the reader is polled but not written
// again, a finished tag put back is refused until it is taken off, and q stops the batch while it
// waits for a tag.
TEST_F(ProductionLine, HandsFreeWritesEachPlacedTagOnceAndWaitsForItsRemoval) {
    const Rows rows = Numbered(5, true);
    WriteFile("tags.csv", Csv(rows));
    m_line.Reader().RemoveTag();
    std::vector<std::string> args = Args();
    args.insert(args.end(), {"--hands-free", "--quick", "--poll-wait", "100"});
    CliRun run(args, m_folder);
    ASSERT_TRUE(run.Await("line 2: homepage \"tag-2\" table info \"T-2\". Place the tag"));
    m_line.PlaceFreshFor(2);
    ASSERT_TRUE(run.Await("line 2: written and verified"));
    const std::size_t writes = m_line.WritesSoFar();
    ASSERT_TRUE(m_line.Reader().WaitForFrames(m_line.Reader().Frames().size() + 5, 5s));
    EXPECT_EQ(m_line.WritesSoFar(), writes) << "the tag left on the reader was written again";
    m_line.Remove();
    m_line.PlaceFreshFor(3);
    ASSERT_TRUE(run.Await("line 3: written and verified"));
    m_line.Remove();
    m_line.Place(0);  // line 2's tag, by mistake
    ASSERT_TRUE(run.Await("holds line 2, which is finished: it is not written again. Take it off"));
    m_line.Remove();
    m_line.PlaceFreshFor(4);
    ASSERT_TRUE(run.Await("line 4: written and verified"));
    m_line.Remove();
    ASSERT_TRUE(run.Await("line 5: homepage"));
    const std::size_t before = m_line.WritesSoFar();
    run.Input("q\n");
    const std::optional<CliRun::Ending> ending = run.Wait();
    ASSERT_TRUE(ending);
    EXPECT_EQ(ending->status, 1) << run.Errors();
    EXPECT_EQ(m_line.WritesSoFar(), before);
    m_line.ExpectEveryRowOnOneTag(Rows(rows.begin(), rows.begin() + 3), Log());
}

TEST_F(ProductionLine, ADeviceThatTakesNoBytesStopsTheBatch) {
    WriteFile("tags.csv", Csv(Numbered(3, false)));
    CliRun run(Args(), m_folder);
    ASSERT_TRUE(run.Await("Place the tag"));  // the port is open: its opening purged the line
    m_line.Reader().SetDeaf(true);
    run.Input("\n\n");
    const std::optional<CliRun::Ending> ending = run.Wait();
    ASSERT_TRUE(ending);
    EXPECT_EQ(ending->status, 1);
    EXPECT_NE(
        run.Output().find("line 2: not done: the tag was not read: the frame did not go out whole"),
        std::string::npos)
        << run.Output();
    EXPECT_EQ(run.Output().find("line 3: homepage"), std::string::npos) << "the batch went on";
    EXPECT_NE(run.Output().find("0 written, 0 failed, 0 skipped, 2 not done"), std::string::npos)
        << run.Output();
}

TEST_F(ProductionLine, ResumeRefusesALogItCannotContinue) {
    WriteFile("tags.csv", Csv(Numbered(4, false)));
    const std::vector<std::string> resume{"--port", kPort,         "batch",   "tags.csv",
                                          "--log",  "results.csv", "--resume"};
    // Nothing to resume: no log, or one that holds no record.
    for (const bool empty : {false, true}) {
        if (empty) {
            WriteFile("results.csv", "");
        }
        const RunResult nothing = RunToEnd(resume, m_folder, "\n");
        EXPECT_EQ(nothing.ending.status, 2);
        EXPECT_NE(nothing.err.find("nothing to resume: results.csv "), std::string::npos)
            << nothing.err;
    }
    EXPECT_TRUE(m_line.Frames().empty());

    const RunResult first = RunToEnd(Args(), m_folder, "\nq\n");
    EXPECT_EQ(first.ending.status, 1);
    const std::size_t sent = m_line.Frames().size();

    // A row inserted in front of the done one moves it to another line.
    WriteFile("tags.csv", "homepage,table_info,lock\nnew-2,,0\ntag-2,,0\ntag-3,,0\n");
    const RunResult edited = RunToEnd(resume, m_folder, "\n\n\n");
    EXPECT_EQ(edited.ending.status, 2);
    EXPECT_NE(edited.err.find("results.csv line 2: row 2 asked for homepage \"tag-2\""),
              std::string::npos)
        << edited.err;
    EXPECT_EQ(m_line.Frames().size(), sent);

    const RunResult nowhere =
        RunToEnd({"--port", kPort, "batch", "tags.csv", "--log", "missing/results.csv"}, m_folder);
    EXPECT_EQ(nowhere.ending.status, 2);
    EXPECT_NE(nowhere.err.find("cannot write the log missing/results.csv: No such file"),
              std::string::npos)
        << nowhere.err;

    // A batch whose port does not open leaves no log.
    const RunResult unplugged =
        RunToEnd({"--port", "COM40", "batch", "tags.csv", "--log", "new.csv"}, m_folder);
    EXPECT_EQ(unplugged.ending.status, 3);
    EXPECT_FALSE(std::filesystem::exists(m_folder / "new.csv"));
}

TEST_F(ProductionLine, ReadsBatchFilesAsPeopleSaveThem) {
    // A spreadsheet's header and empty columns, and a line of spaces.
    WriteFile("tags.csv", " Homepage , TABLE_INFO,Lock ,,\r\n   \r\nhttp://" +
                              std::string(60, 'h') + ",,,,\r\n");
    const RunResult accepted = RunToEnd({"--port", kPort, "batch", "tags.csv"}, m_folder, "q\n");
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
        const RunResult run = RunToEnd({"--port", kPort, "batch", "bad.csv"}, m_folder);
        EXPECT_EQ(run.ending.status, 2);
        for (const std::string& reason : reasons) {
            EXPECT_NE(run.err.find(reason), std::string::npos) << run.err;
        }
    }
    EXPECT_EQ(m_line.Reader().Received(), "");
}

}  // namespace
}  // namespace clitest
