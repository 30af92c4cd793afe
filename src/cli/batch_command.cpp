// batch: one row of a CSV file per tag, the operator placing each tag in turn.
//
// No request to stop cuts a tag short: while a tag is being written and read back it only marks
// the batch to stop, and the batch stops once that tag is finished and logged. At a prompt it
// stops at once, since nothing is under way then. A lost device, or one that stops taking
// bytes, stops the batch too: every further row would only fail the same way.

#include <algorithm>

#include "cli/batch_file.h"
#include "cli/batch_log.h"
#include "cli/batch_progress.h"
#include "cli/commands.h"
#include "cli/text_out.h"
#include "platform/console.h"

namespace cli {
namespace {

enum class Choice { Write, Skip, Stop };

std::string Named(const BatchRow& row) {
    return "line " + std::to_string(row.line);
}

std::string Describe(const BatchRow& row) {
    std::string text = Named(row) + ":";
    if (IsPresent(row.asked.homepage)) {
        text += " homepage " + Quoted(row.asked.homepage) + (row.asked.lock ? " LOCKED" : "");
    }
    if (IsPresent(row.asked.tableInfo)) {
        text += " table info " + Quoted(row.asked.tableInfo);
    }
    return text;
}

// One answer to one question: what was typed before it was asked is not its answer.
platform::InputResult Answer(BatchProgress& progress, std::size_t position,
                             const std::string& question, std::string& answer) {
    platform::DiscardTypedAhead();
    progress.Ask(position, question);
    return platform::ReadInputLine(answer);
}

// The operator's answer, asked again until it is one of Enter, s and q. Input that ends or a
// request to stop stops the batch.
Choice AskRow(BatchProgress& progress, std::size_t position, const BatchRow& row) {
    std::string question = Describe(row) + ". Place the tag: Enter writes, s skips, q stops.";
    for (;;) {
        std::string answer;
        if (Answer(progress, position, question, answer) != platform::InputResult::Line) {
            return Choice::Stop;
        }
        if (answer.empty()) {
            return Choice::Write;
        }
        if (answer == "s" || answer == "S") {
            return Choice::Skip;
        }
        if (answer == "q" || answer == "Q") {
            return Choice::Stop;
        }
        question = "'" + answer + "'? Enter writes " + Named(row) + ", s skips it, q stops.";
    }
}

// Locking cannot be undone, so the first LOCK row of a run asks once for the whole run.
bool ConfirmLock(BatchProgress& progress, std::size_t position, const BatchRow& row) {
    std::string answer;
    return Answer(
               progress, position,
               Named(row) +
                   " locks its tag's homepage for good. Type yes to lock the tags of this batch:",
               answer) == platform::InputResult::Line &&
           answer == "yes";
}

// One run over the rows, with what it has to remember from row to row.
class BatchRun {
  public:
    BatchRun(PortSession& session, std::optional<BatchLog>& log, BatchProgress& progress)
        : m_session(session), m_log(log), m_progress(progress) {}

    // Asks for, writes and logs one row; false when the batch stops here.
    bool Row(std::size_t position, const BatchRow& row) {
        const BatchLog::History history = m_log ? m_log->Of(row) : BatchLog::History{};
        if (history.settled) {
            return true;
        }
        if (history.interrupted) {
            m_progress.Say(Named(row) +
                           " was stopped while it was being written: it is written again");
        }
        const Choice choice = AskRow(m_progress, position, row);
        if (choice == Choice::Stop) {
            return false;
        }
        if (choice == Choice::Skip) {
            m_progress.Skipped(Named(row) + ": skipped");
            return Record(row, nullptr, "skipped");
        }
        if (row.items.lock && !m_lockConfirmed) {
            m_lockConfirmed = ConfirmLock(m_progress, position, row);
            if (!m_lockConfirmed) {
                m_progress.Say("locking not confirmed: stopped before " + Named(row));
                return false;
            }
        }
        if (m_log) {
            if (std::optional<std::string> why = m_log->Started(row, m_session.PortName())) {
                return LogFailed(why, Named(row) + " was not written");
            }
        }
        m_progress.Working(Named(row) + ": writing");
        const WriteReport report =
            WriteTag(m_session, row.items, {.verify = true, .wholeRow = true});
        if (report.portLost) {
            m_progress.Unfinished(Named(row) + ": not done: " + report.failure);
            Record(row, &report, "not done: " + report.failure);
            m_deviceLost = true;
            return false;
        }
        if (report.Succeeded()) {
            m_progress.Succeeded(Named(row) + ": written and verified");
        } else {
            m_progress.Failed(Named(row) + ": " + report.failure);
        }
        return Record(row, &report, report.Succeeded() ? "verified" : report.failure);
    }

    bool Broken() const { return m_logBroken || m_deviceLost; }

  private:
    bool Record(const BatchRow& row, const WriteReport* report, const std::string& result) {
        if (!m_log) {
            return true;
        }
        const std::optional<std::string> why =
            m_log->Result(row, m_session.PortName(), report, result);
        return !why || LogFailed(why, Named(row) +
                                          "'s result is not recorded: a resumed batch "
                                          "does it again");
    }

    // A log that cannot be written any more stops the batch before the next frame: a tag done
    // without its record would be done again on resume, and the log would not tell it.
    bool LogFailed(const std::optional<std::string>& why, const std::string& consequence) {
        Complain("cannot write the log " + m_log->Path().string() + ": " + *why +
                 "; the batch stops (" + consequence + ")");
        m_logBroken = true;
        return false;
    }

    PortSession& m_session;
    std::optional<BatchLog>& m_log;
    BatchProgress& m_progress;
    bool m_lockConfirmed = false;
    bool m_logBroken = false;
    bool m_deviceLost = false;
};

// Where a resumed batch stands, before its first question.
void SayWhatIsLeft(BatchProgress& progress, const BatchLog& log,
                   const std::vector<BatchRow>& rows) {
    for (const int line : log.CutRecords()) {
        progress.Say(log.Path().string() + " line " + std::to_string(line) +
                     ": a record cut short when the batch was stopped; it is ignored");
    }
    std::size_t left = 0;
    std::size_t retries = 0;
    for (const BatchRow& row : rows) {
        const BatchLog::History history = log.Of(row);
        left += history.settled ? 0 : 1;
        retries += !history.settled && history.tried ? 1 : 0;
    }
    progress.Say(std::to_string(left) + " of " + std::to_string(rows.size()) + " rows left, " +
                 std::to_string(retries) + " of them " + (retries == 1 ? "a retry" : "retries"));
}

}  // namespace

int RunBatch(const Arguments& args) {
    auto file = ReadBatchFile(args.csvPath);
    if (const auto* reasons = std::get_if<std::vector<std::string>>(&file)) {
        for (const std::string& why : *reasons) {
            Complain(why);
        }
        return kBadInput;
    }
    const std::vector<BatchRow>& rows = std::get<std::vector<BatchRow>>(file);
    std::optional<BatchLog> log;
    if (args.logPath) {
        auto read = BatchLog::Read(*args.logPath, args.resume, rows);
        if (const auto* why = std::get_if<std::string>(&read)) {
            Complain(*why);
            return kBadInput;
        }
        log.emplace(std::move(std::get<BatchLog>(read)));
    }
    bool incomplete = false;
    {
        PortSession session;
        if (std::optional<int> status = OpenChosenPort(session, args)) {
            return *status;
        }
        // Only now: a batch whose port does not open leaves no log behind.
        if (log) {
            if (std::optional<std::string> why = log->Begin()) {
                Complain("cannot write the log " + log->Path().string() + ": " + *why);
                return kBadInput;
            }
        }
        BatchProgress progress(rows.size(), platform::IsStandardOutputTerminal());
        if (log && args.resume) {
            SayWhatIsLeft(progress, *log, rows);
        }
        BatchRun run(session, log, progress);
        for (std::size_t i = 0; i < rows.size() && !platform::InterruptRequested(); ++i) {
            if (!run.Row(i + 1, rows[i])) {
                break;
            }
        }
        if (platform::InterruptRequested()) {
            progress.Say("interrupted; no tag was left half done");
        } else if (session.DeviceGone()) {
            Complain(DescribeDeviceGone(session.PortName()) +
                     " The batch stops; plug the device back in and resume.");
        }
        progress.Summary(std::count_if(rows.begin(), rows.end(), [&](const BatchRow& row) {
            return log && log->Of(row).settled;
        }));
        incomplete = progress.Failures() > 0 || progress.NotDone() > 0 || run.Broken();
    }
    return Finish(incomplete ? kDeviceSaidNo : kSuccess);
}

}  // namespace cli
