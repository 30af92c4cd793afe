// batch: one row of a CSV file per tag, the operator placing each tag in turn.
//
// Ctrl+C never cuts a tag short: while a tag is being written and read back it only marks the
// batch to stop, and the batch stops once that tag is finished and reported. At a prompt it stops
// at once, since nothing is under way then.

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
    if (IsPresent(row.items.homepage)) {
        text += " homepage " + Quoted(row.items.homepage) + (row.items.lock ? " LOCKED" : "");
    }
    if (IsPresent(row.items.tableInfo)) {
        text += " table info " + Quoted(row.items.tableInfo);
    }
    return text;
}

// The operator's answer, asked again until it is one of Enter, s and q. Input that ends or a
// Ctrl+C stops the batch.
Choice AskRow(BatchProgress& progress, std::size_t position, const BatchRow& row) {
    std::string question = Describe(row) + ". Place the tag: Enter writes, s skips, q stops.";
    for (;;) {
        progress.Ask(position, question);
        std::string answer;
        if (platform::ReadInputLine(answer) != platform::InputResult::Line) {
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
    progress.Ask(position, Named(row) +
                               " locks its tag's homepage for good. Type yes to lock the "
                               "tags of this batch:");
    std::string answer;
    return platform::ReadInputLine(answer) == platform::InputResult::Line && answer == "yes";
}

// One run over the rows, with what it has to remember from row to row.
class BatchRun {
  public:
    BatchRun(PortSession& session, std::optional<BatchLog>& log, BatchProgress& progress)
        : m_session(session), m_log(log), m_progress(progress) {}

    // Asks for, writes and logs one row; false when the batch stops here.
    bool Row(std::size_t position, const BatchRow& row) {
        if (m_log && m_log->Settled(row.line)) {
            return true;
        }
        const Choice choice = AskRow(m_progress, position, row);
        if (choice == Choice::Stop) {
            return false;
        }
        if (choice == Choice::Skip) {
            m_progress.Skipped(Named(row) + ": skipped");
            return Settle(row, nullptr, "skipped");
        }
        if (row.items.lock && !m_lockConfirmed) {
            m_lockConfirmed = ConfirmLock(m_progress, position, row);
            if (!m_lockConfirmed) {
                m_progress.Say("locking not confirmed: stopped before " + Named(row));
                return false;
            }
        }
        m_progress.Working(Named(row) + ": writing");
        const WriteReport report = WriteTag(m_session, row.items, true);
        if (report.Succeeded()) {
            m_progress.Succeeded(Named(row) + ": written and verified");
        } else {
            m_progress.Failed(Named(row) + ": " + report.failure);
        }
        return Settle(row, &report, report.Succeeded() ? "verified" : report.failure);
    }

    bool LogBroken() const { return m_logBroken; }

  private:
    // A log that cannot be written any more stops the batch: a tag done without its line would
    // be done again on resume.
    bool Settle(const BatchRow& row, const WriteReport* report, std::string_view result) {
        if (!m_log || m_log->Append(row.line, m_session.PortName(), report, result)) {
            return true;
        }
        Complain("cannot write the log; stopped after " + Named(row));
        m_logBroken = true;
        return false;
    }

    PortSession& m_session;
    std::optional<BatchLog>& m_log;
    BatchProgress& m_progress;
    bool m_lockConfirmed = false;
    bool m_logBroken = false;
};

}  // namespace

int RunBatch(const Arguments& args) {
    auto file = ReadBatchFile(args.csvPath);
    if (const auto* why = std::get_if<std::string>(&file)) {
        Complain(*why);
        return kBadInput;
    }
    const std::vector<BatchRow>& rows = std::get<std::vector<BatchRow>>(file);
    std::optional<BatchLog> log;
    if (args.logPath) {
        auto opened = BatchLog::Open(*args.logPath, args.resume, rows);
        if (const auto* why = std::get_if<std::string>(&opened)) {
            Complain(*why);
            return kBadInput;
        }
        log.emplace(std::move(std::get<BatchLog>(opened)));
    }
    bool failed = false;
    {
        PortSession session;
        if (std::optional<int> status = OpenChosenPort(session, args)) {
            return *status;
        }
        BatchProgress progress(rows.size(), platform::IsStandardOutputTerminal());
        BatchRun run(session, log, progress);
        for (std::size_t i = 0; i < rows.size() && !platform::InterruptRequested(); ++i) {
            if (!run.Row(i + 1, rows[i])) {
                break;
            }
        }
        if (platform::InterruptRequested()) {
            progress.Say("interrupted; no tag was left half done");
        }
        progress.Summary();
        failed = progress.Failures() > 0 || run.LogBroken();
    }
    return Finish(failed ? kDeviceSaidNo : kSuccess);
}

}  // namespace cli
