// velmora-tag batch at the simulated reader: seconds a row with the design's fixed second and with
// the quick end, side by side, against the floor of the wire (57600 baud, 8N2: 11 bits a byte)
// plus one closing gap an exchange; a device whose every answer comes in two parts 100 ms apart;
// one that answers 1.05 s late; and a hands-free batch with a tag swapped every second.
//
// velmora-tag runs as a child, as an operator runs it; an operator of our own answers each
// question at once with a fresh blank tag on the reader. Everything runs on the main thread but
// the reader's serving thread, which only records frames.

#include <cstdlib>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>

#include "cli_run.h"
#include "harness.h"
#include "simreader/sim_tag_reader.h"

namespace bench {
namespace {

constexpr char kPort[] = "COM7";
constexpr double kWireBytesPerSecond = 57600.0 / 11;
constexpr int kGapMs = 50;

// 200 unless VELMORA_BENCH_ROWS says otherwise (the run's arguments are the soak's).
int Rows() {
    const char* rows = std::getenv("VELMORA_BENCH_ROWS");
    return rows != nullptr && std::atoi(rows) > 0 ? std::atoi(rows) : 200;
}

std::string Homepage(int line) {
    std::string text = "example.com/tag/";
    return text += std::to_string(line);
}
std::string TableInfo(int line) {
    std::string text = "T";
    return text += std::to_string(line);
}

void WriteBatch(int rows) {
    std::string csv = "homepage,table_info,lock\n";
    for (int line = 2; line < rows + 2; ++line) {
        csv += Homepage(line) + "," + TableInfo(line) + ",0\n";
    }
    std::FILE* file = std::fopen("tags.csv", "w");
    std::fputs(csv.c_str(), file);
    std::fclose(file);
    std::remove("results.csv");
}

// The floor of one row: every byte of its four exchanges on the wire, and one gap after each.
double FloorSeconds(int line) {
    const std::size_t hp = Homepage(line).size();
    const std::size_t ti = TableInfo(line).size();
    const std::size_t bytes = (3 + 1) + (3 + hp + 7) + (3 + ti + 7) + (3 + hp + 1 + ti);
    return static_cast<double>(bytes) / kWireBytesPerSecond + 4 * kGapMs / 1000.0;
}

struct BatchRun {
    double secondsPerRow = 0;
    std::size_t verified = 0;
    std::size_t failed = 0;
};

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

// A keyed batch of `rows` rows; `before` scripts the reader ahead of each row's Enter.
BatchRun Keyed(sim::SimTagReader& reader, int rows, const std::vector<std::string>& extra,
               const std::function<void(int line)>& before = {}) {
    WriteBatch(rows);
    std::vector<std::string> args{"--port", kPort, "batch", "tags.csv", "--log", "results.csv"};
    args.insert(args.end(), extra.begin(), extra.end());
    const Clock::time_point start = Clock::now();
    clitest::CliRun run(args, ".");
    for (int line = 2; run.AwaitQuestion({}, std::chrono::seconds(30)); ++line) {
        reader.SetTag({});
        if (before) {
            before(line);
        }
        run.Input("\n");
    }
    if (!run.Wait(std::chrono::seconds(30))) {
        throw std::runtime_error("the batch did not end");
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return {seconds / rows, Count(run.Output(), "written and verified"),
            Count(run.Output(), ": verify failed") + Count(run.Output(), "write failed")};
}

void FixedAndQuick(Table& table, sim::SimTagReader& reader, int rows) {
    double floor = 0;
    for (int line = 2; line < rows + 2; ++line) {
        floor += FloorSeconds(line);
    }
    floor /= rows;
    const BatchRun fixed = Keyed(reader, rows, {});
    const BatchRun quick = Keyed(reader, rows, {"--quick", "--gap", std::to_string(kGapMs)});
    table.Add(
        {"8 batch, s a row: quick end / fixed second", Text("%.3f s", quick.secondsPerRow),
         Text("%.3f s", fixed.secondsPerRow),
         Text("%.1fx faster", fixed.secondsPerRow / quick.secondsPerRow), "<= 0.4 s, >= 8x",
         Verdict(quick.secondsPerRow <= 0.4 && fixed.secondsPerRow >= 8 * quick.secondsPerRow)});
    table.Add({"8 batch, quick end / floor (wire + a gap an exchange)",
               Text("%.3f s", quick.secondsPerRow), Text("%.3f s", floor),
               Text("%.2fx", quick.secondsPerRow / floor), "<= 1.5x",
               Verdict(quick.secondsPerRow <= 1.5 * floor)});
    table.Note(
        Text("8: %d rows each, read first + two writes + read-back; verified %zu (fixed), "
             "%zu (quick) of %d; gap %d ms",
             rows, fixed.verified, quick.verified, rows, kGapMs));
}

// Every answer in two parts 100 ms apart: slower, never a false failure.
void SplitAnswers(Table& table, sim::SimTagReader& reader, int rows) {
    const BatchRun split = Keyed(reader, rows, {"--quick"}, [&](int line) {
        const std::size_t readBack = Homepage(line).size() + 1 + TableInfo(line).size();
        const std::chrono::milliseconds apart(100);
        reader.Script(sim::Reply());  // a blank tag's "," has no second part
        reader.Script(sim::Reply().InPieces(4, apart));
        reader.Script(sim::Reply().InPieces(4, apart));
        reader.Script(sim::Reply().InPieces((readBack + 1) / 2, apart));
    });
    table.Add({"8 answers in two parts 100 ms apart, quick end: verified / failed",
               Text("%zu / %zu", split.verified, split.failed), Text("%d rows", rows), "",
               "no false failure", Verdict(split.verified == static_cast<std::size_t>(rows))});
    table.Note(
        Text("8: split answers cost %.3f s a row (a read-back cut by the pause is read "
             "again with the whole second)",
             split.secondsPerRow));
}

// Every answer 1.05 s after its frame: no write may ever be taken for a success.
void LateDevice(Table& table, sim::SimTagReader& reader) {
    constexpr int kWrites = 10;
    std::size_t successes = 0;
    std::size_t doubled = 0;
    for (const bool quick : {false, true}) {
        for (int i = 0; i < kWrites; ++i) {
            reader.SetTag({});
            for (int n = 0; n < 4; ++n) {
                reader.Script(sim::Reply().After(std::chrono::milliseconds(1050)));
            }
            std::vector<std::string> args{"--port", kPort,          "write", "--homepage",
                                          "late",   "--table-info", "T",     "--verify"};
            if (quick) {
                args.push_back("--quick");
            }
            const clitest::RunResult run = clitest::RunToEnd(args, ".");
            successes += run.ending.status == 0 ? 1 : 0;
            doubled += Count(run.out, "SuccessSuccess");
        }
        reader.ForgetRecords();
    }
    table.Add({"8 device 1.05 s late: writes taken for a success", Text("%zu", successes),
               Text("%d writes", 2 * kWrites), "", "0, ever", Verdict(successes == 0)});
    table.Note(
        Text("8: the late device, fixed and quick, %d writes each: %zu answers like "
             "\"SuccessSuccess\"",
             kWrites, doubled));
}

// Hands-free: a tag swapped every second, as fast as a hand does it; every row on one tag.
void HandsFree(Table& table, int rows) {
    std::mutex mutex;
    int onReader = -1;
    std::map<int, std::set<std::string>> rowsOfTag;  // a row is known by what it writes
    std::map<std::string, std::set<int>> tagsOfRow;
    sim::SimTagReader reader({.portName = kPort,
                              .tag = {},
                              .log =
                                  [&](std::string_view frame, std::string_view) {
                                      const std::string payload(frame.substr(2, frame.size() - 3));
                                      if (frame.size() > 3 && frame[1] == 'U') {
                                          std::lock_guard lock(mutex);
                                          rowsOfTag[onReader].insert(payload);
                                          tagsOfRow[payload].insert(onReader);
                                      }
                                  },
                              .tagPresent = false});
    WriteBatch(rows);
    clitest::CliRun run({"--port", kPort, "batch", "tags.csv", "--log", "results.csv",
                         "--hands-free", "--quick", "--poll-wait", "100"},
                        ".");
    const Clock::time_point start = Clock::now();
    for (int tag = 0; tag < rows && !run.HasEnded(); ++tag) {
        {
            std::lock_guard lock(mutex);
            onReader = tag;
        }
        reader.SetTag({});
        std::this_thread::sleep_until(start + std::chrono::seconds(tag + 1));
        reader.RemoveTag();
        if (tag + 1 == rows) {
            break;  // the last row's tag: nothing waits for it to go
        }
        reader.WaitForFrames(reader.Frames().size() + 1, std::chrono::seconds(5));
        reader.ForgetRecords();
    }
    const double minutes = std::chrono::duration<double>(Clock::now() - start).count() / 60;
    run.Input("q\n");
    run.Wait(std::chrono::seconds(30));
    std::size_t twice = 0;
    for (const auto& [tag, written] : rowsOfTag) {
        twice += written.size() > 1 ? 1 : 0;
    }
    for (const auto& [row, tags] : tagsOfRow) {
        twice += tags.size() > 1 ? 1 : 0;
    }
    const std::size_t verified = Count(run.Output(), "written and verified");
    table.Add({"8 hands-free, a tag swapped every second: tags a minute",
               Text("%.1f", static_cast<double>(verified) / minutes), Text("%d tags offered", rows),
               "", ">= 40, each row on one tag",
               Verdict(static_cast<double>(verified) / minutes >= 40 && twice == 0)});
    table.Note(Text("8: hands-free verified %zu rows; rows on two tags or tags with two rows: %zu",
                    verified, twice));
}

void BatchSpeed(Table& table) {
    const int rows = Rows();
    {
        sim::SimTagReader reader({.portName = kPort, .tag = {}, .log = {}});
        FixedAndQuick(table, reader, rows);
        SplitAnswers(table, reader, std::min(rows, 50));
        LateDevice(table, reader);
    }
    HandsFree(table, std::min(rows, 60));
}

const Registration kRegistration(8, "batch", BatchSpeed);

}  // namespace
}  // namespace bench
