// batch: one row of a CSV file per tag, the operator placing each tag in turn.
//
// Ctrl+C never cuts a tag short: while a tag is being written and read back it only marks the
// batch to stop, and the batch stops once that tag is finished and reported. At a prompt it stops
// at once, since nothing is under way then.

#include "cli/batch_file.h"
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

}  // namespace

int RunBatch(const Arguments& args) {
    auto file = ReadBatchFile(args.csvPath);
    if (const auto* why = std::get_if<std::string>(&file)) {
        Complain(*why);
        return kBadInput;
    }
    const std::vector<BatchRow>& rows = std::get<std::vector<BatchRow>>(file);
    std::size_t failures = 0;
    {
        PortSession session;
        if (std::optional<int> failed = OpenChosenPort(session, args)) {
            return *failed;
        }
        BatchProgress progress(rows.size(), platform::IsStandardOutputTerminal());
        bool lockConfirmed = false;
        for (std::size_t i = 0; i < rows.size() && !platform::InterruptRequested(); ++i) {
            const BatchRow& row = rows[i];
            const Choice choice = AskRow(progress, i + 1, row);
            if (choice == Choice::Stop) {
                break;
            }
            if (choice == Choice::Skip) {
                progress.Skipped(Named(row) + ": skipped");
                continue;
            }
            if (row.items.lock && !lockConfirmed) {
                lockConfirmed = ConfirmLock(progress, i + 1, row);
                if (!lockConfirmed) {
                    progress.Say("locking not confirmed: stopped before " + Named(row));
                    break;
                }
            }
            progress.Working(Named(row) + ": writing");
            const WriteReport report = WriteTag(session, row.items, true);
            if (report.Succeeded()) {
                progress.Succeeded(Named(row) + ": written and verified");
            } else {
                progress.Failed(Named(row) + ": " + report.failure);
            }
        }
        if (platform::InterruptRequested()) {
            progress.Say("interrupted: the tag under way was finished first");
        }
        progress.Summary();
        failures = progress.Failures();
    }
    return Finish(failures == 0 ? kSuccess : kDeviceSaidNo);
}

}  // namespace cli
