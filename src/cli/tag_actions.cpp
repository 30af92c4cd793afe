#include "cli/tag_actions.h"

#include "cli/text_out.h"
#include "tag/commands.h"
#include "tag/write_sequence.h"

namespace cli {

using platform::Failure;

namespace {

// `wire` is what goes out of `text`: the limit counts the bytes the tag is sent.
platform::Result<void> CheckItem(std::string_view name, std::string_view text,
                                 std::string_view wire, std::size_t limit) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (tag::IsControlCharacter(text[i])) {
            return Failure(std::string(name) + " holds " +
                           (text[i] == '\n' ? "a line end" : "a control character") + " (byte " +
                           std::to_string(i + 1) + " of " + Quoted(text) + ")");
        }
    }
    if (wire.size() > limit) {
        return Failure(std::string(name) + " is " + std::to_string(wire.size()) + " bytes long" +
                       (wire.size() != text.size() ? " without \"http://\" and commas" : "") +
                       "; the tag takes at most " + std::to_string(limit));
    }
    return {};
}

// Why a write's answer is not a success, for the operator.
std::string WriteFailure(std::string_view item, const PortSession::Answer& answer,
                         const std::string& port) {
    if (answer.gone) {
        return std::string(item) + " write failed: " + DescribeDeviceGone(port);
    }
    if (!answer.sent) {
        return std::string(item) + " write failed: the frame did not go out whole";
    }
    if (answer.text.empty()) {
        return std::string(item) + " write failed: no answer from the device";
    }
    return std::string(item) + " write failed: the device answered " + Quoted(answer.text);
}

std::string Mismatch(std::string_view item, std::string_view sent, std::string_view held) {
    return "verify failed: " + std::string(item) + " sent " + Quoted(sent) + ", the tag holds " +
           Quoted(held);
}

std::string_view ItemName(tag::TagItem item) {
    return item == tag::TagItem::Homepage ? "homepage" : "table info";
}

std::string_view HeldItem(const tag::ReadAnswer& held, tag::TagItem item) {
    return item == tag::TagItem::Homepage ? held.homepage : held.tableInfo;
}

// The read-back's verdict: whether the tag holds every item of the sequence, else why not.
platform::Result<void> Verify(const std::vector<tag::WriteStep>& steps,
                              const PortSession::Answer& answer, const std::string& port) {
    const tag::ReadAnswer held = tag::SplitReadAnswer(answer.text);
    for (const tag::WriteStep& step : steps) {
        if (HeldItem(held, step.item) == step.stored) {
            continue;
        }
        // What came before the device went away is not the whole answer, or it would match.
        if (answer.gone) {
            return Failure("verify failed: " + DescribeDeviceGone(port));
        }
        if (answer.text.empty()) {
            return Failure("verify failed: no answer to the read-back");
        }
        return Failure(Mismatch(ItemName(step.item), step.stored, HeldItem(held, step.item)));
    }
    return {};
}

}  // namespace

platform::Result<void> CheckTagWrite(const TagWrite& items, std::string_view lockName) {
    const std::vector<tag::WriteStep> steps =
        tag::WriteSequence(items.homepage, items.tableInfo, items.lock);
    for (const tag::WriteStep& step : steps) {
        const bool homepage = step.item == tag::TagItem::Homepage;
        platform::Result<void> checked = CheckItem(homepage ? "the homepage" : "the table info",
                                                   homepage ? items.homepage : items.tableInfo,
                                                   step.stored, tag::ItemLimit(step.item));
        if (!checked) {
            return checked;
        }
    }
    if (steps.empty()) {
        return Failure("nothing to write: homepage and table info are both empty");
    }
    if (items.lock && steps.front().item != tag::TagItem::Homepage) {
        return Failure(std::string(lockName) +
                       " locks the homepage, and there is no homepage to write");
    }
    return {};
}

bool Holds(const tag::ReadAnswer& held, const TagWrite& items) {
    for (const tag::WriteStep& step :
         tag::WriteSequence(items.homepage, items.tableInfo, items.lock)) {
        if (HeldItem(held, step.item) != step.stored) {
            return false;
        }
    }
    return true;
}

std::optional<tag::ReadAnswer> ReadTag(PortSession& session) {
    const PortSession::Answer answer = session.Exchange(tag::kReadPayload);
    if (answer.text.empty()) {
        return std::nullopt;
    }
    return tag::SplitReadAnswer(answer.text);
}

WriteReport WriteTag(PortSession& session, const TagWrite& items, WriteMode mode) {
    WriteReport report;
    const std::vector<tag::WriteStep> steps =
        tag::WriteSequence(items.homepage, items.tableInfo, items.lock);
    for (const tag::WriteStep& step : steps) {
        const bool homepage = step.item == tag::TagItem::Homepage;
        const bool held = mode.onTag != nullptr && HeldItem(*mode.onTag, step.item) == step.stored;
        if (held && !(homepage && items.lock)) {
            continue;
        }
        if (!report.Succeeded() && mode.wholeRow) {
            // A tag that refuses its homepage (locked already: a finished tag put back by
            // mistake) keeps its table info too, so that no tag ends up half one row's and half
            // another's.
            report.outcome = Failure(report.outcome.error() + "; the table info was not written");
            return report;
        }
        const PortSession::Answer answer = session.Exchange(step.payload);
        report.late += answer.late;
        (homepage ? report.homepagePayload : report.tableInfoPayload) = step.payload;
        (homepage ? report.homepageAnswer : report.tableInfoAnswer) = answer.text;
        report.portLost = report.portLost || answer.gone || !answer.sent;
        const bool success = answer.sent && tag::IsWriteSuccess(answer.text);
        // Only a tag locked with this very homepage refuses it: the lock is there.
        const bool refusedAsLocked =
            held && answer.sent && !answer.gone && !answer.text.empty() && !success;
        report.lockedAlready = report.lockedAlready || refusedAsLocked;
        if (!success && !refusedAsLocked && report.Succeeded()) {
            report.outcome = Failure(WriteFailure(ItemName(step.item), answer, session.PortName()));
        }
    }
    if (!mode.verify || !report.Succeeded()) {
        return report;
    }
    PortSession::Answer answer = session.Exchange(tag::kReadPayload);
    report.outcome = Verify(steps, answer, session.PortName());
    if (!report.Succeeded() && session.QuickEnd() && answer.sent && !answer.gone) {
        // An answer cut by a pause longer than the gap would fail a good tag: a mismatch counts
        // only once the tag has been read with the whole second.
        report.late += answer.late;
        answer = session.Exchange(tag::kReadPayload, {.fullSecond = true});
        report.outcome = Verify(steps, answer, session.PortName());
    }
    report.late += answer.late;
    report.readBack = answer.text;
    report.portLost = answer.gone || !answer.sent;
    report.verified = report.Succeeded();
    return report;
}

}  // namespace cli
