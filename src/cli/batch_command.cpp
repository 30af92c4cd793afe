// batch: one row of a CSV file per tag, the operator placing each tag in turn.
//
// Each row begins with a READ of the tag on the reader, since the protocol says nothing of which
// tag is there: a tag that holds a row this batch has finished is never written again, and a row
// that was under way when an earlier run stopped asks for its own tag back and writes only what
// that tag lacks. Rows that ask for the same items are told apart only by the operator placing a
// fresh tag for each: a tag holding a finished row is refused for all the others.
//
// No request to stop cuts a tag short: while a tag is being written and read back it only marks
// the batch to stop, and the batch stops once that tag is finished and logged. At a prompt it
// stops at once, since nothing is under way then. A lost device, or one that stops taking
// bytes, stops the batch too: every further row would only fail the same way.

#include <algorithm>
#include <chrono>

#include "cli/batch_file.h"
#include "cli/batch_log.h"
#include "cli/batch_progress.h"
#include "cli/command_runs.h"
#include "cli/text_out.h"
#include "platform/console.h"
#include "tag/answers.h"
#include "tag/commands.h"
#include "tag/write_sequence.h"

namespace cli {
namespace {

enum class Choice { Write, Skip, Stop, Lost };

std::string Named(const BatchRow& row) {
    return "line " + std::to_string(row.line);
}

std::string Describe(const BatchRow& row) {
    std::string text = Named(row) + ":";
    if (tag::IsPresent(row.asked.homepage)) {
        text += " homepage " + Quoted(row.asked.homepage) + (row.asked.lock ? " LOCKED" : "");
    }
    if (tag::IsPresent(row.asked.tableInfo)) {
        text += " table info " + Quoted(row.asked.tableInfo);
    }
    return text;
}

bool AskSame(const BatchRow& a, const BatchRow& b) {
    return a.items.homepage == b.items.homepage && a.items.tableInfo == b.items.tableInfo &&
           a.items.lock == b.items.lock;
}

// One answer to one question: what was typed before it was asked is not its answer.
platform::InputResult Answer(BatchProgress& progress, std::size_t position,
                             const std::string& question, std::string& answer) {
    platform::DiscardTypedAhead();
    progress.Ask(position, question);
    return platform::ReadInputLine(answer);
}

// The operator's answer, asked again until it is one the question offers: Enter, s and q for a
// row; Enter, n and q for a row whose tag is asked back. Input that ends or a request to stop
// stops the batch.
Choice AskRow(BatchProgress& progress, std::size_t position, const BatchRow& row,
              bool interrupted) {
    const std::string name = Named(row);
    std::string question =
        interrupted ? name +
                          " was being written when the batch stopped: put its tag back and "
                          "press Enter; n: it is lost, write " +
                          name + " on a new tag; q stops."
                    : Describe(row) + ". Place the tag: Enter writes, s skips, q stops.";
    for (;;) {
        std::string answer;
        if (Answer(progress, position, question, answer) != platform::InputResult::Line) {
            return Choice::Stop;
        }
        if (answer.empty()) {
            return Choice::Write;
        }
        if (answer == "q" || answer == "Q") {
            return Choice::Stop;
        }
        if (!interrupted && (answer == "s" || answer == "S")) {
            return Choice::Skip;
        }
        if (interrupted && (answer == "n" || answer == "N")) {
            return Choice::Lost;
        }
        question = "'" + answer + "'? " +
                   (interrupted ? "Enter: its tag is back, n: it is lost, q stops."
                                : "Enter writes " + name + ", s skips it, q stops.");
    }
}

// How a hands-free batch tells that a tag is on the reader.
struct HandsFree {
    std::chrono::milliseconds pollWait;
    std::optional<std::string> noTagAnswer;
};

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
    BatchRun(PortSession& session, std::optional<BatchLog>& log, BatchProgress& progress,
             const std::vector<BatchRow>& rows, std::optional<HandsFree> handsFree)
        : m_session(session), m_log(log), m_progress(progress), m_handsFree(std::move(handsFree)) {
        for (const BatchRow& row : rows) {
            if (m_log && m_log->Of(row).verified) {
                m_onTags.push_back(&row);
            }
        }
    }

    // Asks for, writes and logs one row; false when the batch stops here.
    bool Row(std::size_t position, const BatchRow& row) {
        const BatchLog::History history = m_log ? m_log->Of(row) : BatchLog::History{};
        if (history.settled) {
            return true;
        }
        bool interrupted = history.interrupted;
        for (;;) {
            std::optional<PortSession::Answer> read;
            if (m_handsFree && !interrupted) {
                if (!LockConfirmed(position, row)) {
                    return false;
                }
                read = AwaitPlacedTag(position, row);
            } else {
                const Choice choice = AskRow(m_progress, position, row, interrupted);
                if (choice == Choice::Stop) {
                    return false;
                }
                if (choice == Choice::Skip) {
                    m_progress.Skipped(Named(row) + ": skipped");
                    return Record(row, {}, std::string(kSkipped));
                }
                if (choice == Choice::Lost) {
                    if (!SetAside(row)) {
                        return false;
                    }
                    interrupted = false;
                    continue;
                }
                if (!LockConfirmed(position, row)) {
                    return false;
                }
                m_progress.Working(Named(row) + ": reading the tag");
                read = m_session.Exchange(tag::kReadPayload);
            }
            if (!read) {
                return false;  // stopped while waiting for a tag
            }
            NoteLate(row, read->late);
            if (read->gone || !read->sent) {
                m_progress.Unfinished(Named(row) + ": not done: the tag was not read: " +
                                      (read->gone ? DescribeDeviceGone(m_session.PortName())
                                                  : "the frame did not go out whole"));
                m_deviceLost = true;
                return false;
            }
            if (read->text.empty()) {
                m_progress.Say(Named(row) + ": no answer to the read: is a tag on the reader?");
                continue;
            }
            if (platform::InterruptRequested()) {
                return false;  // asked to stop while only reading: nothing on the tag is changed
            }
            m_tagLeftOn = m_handsFree.has_value();
            if (const std::optional<bool> done = Judge(row, *read, interrupted)) {
                return *done;
            }
        }
    }

    bool Broken() const { return m_logBroken || m_deviceLost; }

  private:
    // What the tag read first decides: whether the row is done with (and the batch goes on), or
    // nothing, when another tag is wanted.
    std::optional<bool> Judge(const BatchRow& row, const PortSession::Answer& read,
                              bool interrupted) {
        std::string held = read.text;
        if (m_session.QuickEnd() && held != ",") {
            // A quick READ ends at the first pause: a tag that holds something is read again with
            // the whole second before it is judged, so that a finished tag whose answer came in
            // two parts is not taken for another one.
            const PortSession::Answer whole =
                m_session.Exchange(tag::kReadPayload, {.fullSecond = true});
            NoteLate(row, whole.late);
            if (!whole.text.empty()) {
                held = whole.text;
            }
        }
        const tag::ReadAnswer onTag = tag::SplitReadAnswer(held);
        if (interrupted && !row.items.lock && Holds(onTag, row.items)) {
            WriteReport report;
            report.readBack = held;
            return Settle(row, report, std::string(kVerifiedAlready),
                          ": it was on its tag already; nothing written");
        }
        if (const BatchRow* finished = FinishedOn(onTag, row, interrupted)) {
            m_progress.Say("The tag on the reader holds " + Named(*finished) +
                           ", which is finished: it is not written again. " +
                           (m_handsFree ? "Take it off and place another." : "Place another."));
            return std::nullopt;
        }
        return Write(row, interrupted ? &onTag : nullptr);
    }

    // Locking cannot be undone: the first LOCK row of a run asks before its tag is touched.
    bool LockConfirmed(std::size_t position, const BatchRow& row) {
        if (row.items.lock && !m_lockConfirmed) {
            m_lockConfirmed = ConfirmLock(m_progress, position, row);
            if (!m_lockConfirmed) {
                m_progress.Say("locking not confirmed: stopped before " + Named(row));
            }
        }
        return !row.items.lock || m_lockConfirmed;
    }

    // Hands-free: polls the reader until the tag that was on it has gone and another is there;
    // the answer to the poll that found it, or nothing when the operator stopped the batch. A
    // poll is a READ that the silence of --poll-wait ends, or the reader's own no-tag text.
    std::optional<PortSession::Answer> AwaitPlacedTag(std::size_t position, const BatchRow& row) {
        m_progress.Ask(position, Describe(row) +
                                     (m_tagLeftOn ? ". Take the tag off and place the next"
                                                  : ". Place the tag") +
                                     " (q and Enter stop)");
        bool lateNoted = false;
        for (;;) {
            if (StopTyped()) {
                return std::nullopt;
            }
            PortSession::Answer poll =
                m_session.Exchange(tag::kReadPayload, {.silence = m_handsFree->pollWait});
            if (!lateNoted && !poll.late.empty()) {
                NoteLate(row, poll.late + " (the polls may wait too little: --poll-wait)");
                lateNoted = true;
            }
            if (poll.gone || !poll.sent) {
                return poll;
            }
            const bool tag = !poll.text.empty() && (!m_handsFree->noTagAnswer ||
                                                    tag::WithoutControlCharacters(poll.text) !=
                                                        *m_handsFree->noTagAnswer);
            if (!tag) {
                m_tagLeftOn = false;
            } else if (!m_tagLeftOn) {
                return poll;
            }
        }
    }

    // Whether the operator typed q (or pressed Ctrl+C) while no key was asked for.
    bool StopTyped() {
        if (platform::InterruptRequested()) {
            return true;
        }
        std::string typed;
        while (m_keysOpen) {
            const platform::InputResult got = platform::ReadInputLine(typed, false);
            if (got == platform::InputResult::Interrupted) {
                return true;
            }
            if (got != platform::InputResult::Line) {
                // A batch fed from a file or /dev/null runs on without keys.
                m_keysOpen = got == platform::InputResult::NotYet;
                return false;
            }
            if (typed == "q" || typed == "Q") {
                return true;
            }
            m_progress.Say("'" + typed + "'? The batch goes on by itself: q and Enter stop it.");
        }
        return false;
    }

    // The finished row whose items the tag holds. The row's own tag put back holds its items
    // whatever other rows ask for the same: only rows that ask for something else count then.
    const BatchRow* FinishedOn(const tag::ReadAnswer& onTag, const BatchRow& row,
                               bool interrupted) const {
        for (const BatchRow* done : m_onTags) {
            if (!(interrupted && AskSame(*done, row)) && Holds(onTag, done->items)) {
                return done;
            }
        }
        return nullptr;
    }

    bool Write(const BatchRow& row, const tag::ReadAnswer* onTag) {
        if (m_log) {
            LogRecord started = RecordOf(row, m_session.PortName());
            started.record = "started";
            if (const platform::Result<void> logged = m_log->Append(std::move(started)); !logged) {
                return LogFailed(logged.error(), Named(row) + " was not written");
            }
        }
        m_progress.Working(Named(row) + ": writing");
        const WriteReport report =
            WriteTag(m_session, row.items, {.verify = true, .wholeRow = true, .onTag = onTag});
        NoteLate(row, report.late);
        if (report.Succeeded()) {
            return Settle(row, report,
                          std::string(report.lockedAlready ? kVerifiedLocked : kVerified),
                          report.lockedAlready ? ": written and verified; it was locked already"
                                               : ": written and verified");
        }
        if (report.portLost) {
            // No result: what the tag holds now is not known, so the row stays under way, and a
            // resumed batch asks for its tag back as after a kill.
            m_progress.Unfinished(Named(row) + ": not done: " + report.outcome.error());
            m_deviceLost = true;
            return false;
        }
        if (!Record(row, report, report.outcome.error())) {
            m_progress.Unfinished(Named(row) + ": not done: " + report.outcome.error());
            return false;
        }
        m_progress.Failed(Named(row) + ": " + report.outcome.error());
        return true;
    }

    // A row on its tag: recorded first, for a row whose result is not on the disk is not done,
    // here and in a resumed batch alike. A device that went away right behind the read-back
    // stops the batch now.
    bool Settle(const BatchRow& row, const WriteReport& report, const std::string& result,
                const std::string& said) {
        if (!Record(row, report, result)) {
            m_progress.Unfinished(Named(row) +
                                  ": not done: on its tag, but its result is not "
                                  "recorded; a resumed batch asks for its tag back");
            return false;
        }
        m_progress.Succeeded(Named(row) + said);
        m_onTags.push_back(&row);
        if (report.portLost) {
            m_deviceLost = true;
            return false;
        }
        return true;
    }

    // The operator has lost the tag of a row that was under way: whatever it holds, the row goes
    // onto another one.
    bool SetAside(const BatchRow& row) {
        const std::string name = Named(row);
        m_progress.Say("The lost tag may hold " + name + " too: set it aside when it turns up. " +
                       name + " goes onto a new tag.");
        return Record(row, {}, "not done: its tag was lost and is to be set aside");
    }

    void NoteLate(const BatchRow& row, const std::string& late) {
        if (!late.empty()) {
            m_progress.Say(
                Named(row) + ": " + std::to_string(late.size()) +
                " bytes came after their answer's second and were dropped: " + Quoted(late));
        }
    }

    bool Record(const BatchRow& row, const WriteReport& report, std::string result) {
        if (!m_log) {
            return true;
        }
        LogRecord record = RecordOf(row, m_session.PortName());
        record.homepageSent = report.homepagePayload;
        record.tableInfoSent = report.tableInfoPayload;
        record.homepageAnswer = Escaped(report.homepageAnswer);
        record.tableInfoAnswer = Escaped(report.tableInfoAnswer);
        record.readBack = Escaped(report.readBack.value_or(""));
        record.result = std::move(result);
        record.record = "result";
        const platform::Result<void> logged = m_log->Append(std::move(record));
        return logged || LogFailed(logged.error(), Named(row) +
                                                       "'s result is not recorded: a resumed batch "
                                                       "asks for its tag back");
    }

    // A log that cannot be written any more stops the batch before the next frame: a tag done
    // without its record would be done again on resume, and the log would not tell it.
    bool LogFailed(const std::string& why, const std::string& consequence) {
        Complain("cannot write the log " + m_log->Path().string() + ": " + why +
                 "; the batch stops (" + consequence + ")");
        m_logBroken = true;
        return false;
    }

    PortSession& m_session;
    std::optional<BatchLog>& m_log;
    BatchProgress& m_progress;
    // The rows on their tags, earlier runs' included, in the order they got there.
    std::vector<const BatchRow*> m_onTags;
    std::optional<HandsFree> m_handsFree;
    // Hands-free: a tag has been on the reader since the last poll that found none; the next row
    // waits until it is taken off.
    bool m_tagLeftOn = false;
    bool m_keysOpen = true;  // standard input may still bring a q
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
    const platform::Result<std::vector<BatchRow>, std::vector<std::string>> file =
        ReadBatchFile(args.csvPath);
    if (!file) {
        for (const std::string& why : file.error()) {
            Complain(why);
        }
        return kBadInput;
    }
    const std::vector<BatchRow>& rows = *file;
    std::optional<BatchLog> log;
    if (args.logPath) {
        platform::Result<BatchLog> read = BatchLog::Read(*args.logPath, args.resume, rows);
        if (!read) {
            Complain(read.error());
            return kBadInput;
        }
        log.emplace(std::move(*read));
    }
    bool incomplete = false;
    {
        PortSession session;
        if (const auto opened = OpenChosenPort(session, args); !opened) {
            return opened.error();
        }
        // Only now: a batch whose port does not open leaves no log behind.
        if (log) {
            if (const platform::Result<void> begun = log->Begin(); !begun) {
                Complain(begun.error());
                return kBadInput;
            }
        }
        BatchProgress progress(rows.size(), platform::IsStandardOutputTerminal());
        if (log && args.resume) {
            SayWhatIsLeft(progress, *log, rows);
        }
        std::optional<HandsFree> handsFree;
        if (args.handsFree) {
            handsFree = HandsFree{std::chrono::milliseconds(args.pollWaitMs), args.noTagAnswer};
        }
        BatchRun run(session, log, progress, rows, std::move(handsFree));
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
