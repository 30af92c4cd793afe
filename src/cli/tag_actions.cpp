#include "cli/tag_actions.h"

#include "cli/text_out.h"
#include "tag/commands.h"

namespace cli {
namespace {

// `wire` is what goes out of `text`: the limit counts the bytes the tag is sent.
std::optional<std::string> CheckItem(std::string_view name, std::string_view text,
                                     std::string_view wire, std::size_t limit) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (tag::IsControlCharacter(text[i])) {
            return std::string(name) + " holds " +
                   (text[i] == '\n' ? "a line end" : "a control character") + " (byte " +
                   std::to_string(i + 1) + " of " + Quoted(text) + ")";
        }
    }
    if (wire.size() > limit) {
        return std::string(name) + " is " + std::to_string(wire.size()) + " bytes long" +
               (wire.size() != text.size() ? " without \"http://\" and commas" : "") +
               "; the tag takes at most " + std::to_string(limit);
    }
    return std::nullopt;
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

}  // namespace

bool IsPresent(std::string_view item) {
    return !tag::RemoveAll(item, " ").empty();
}

std::optional<std::string> CheckTagWrite(const TagWrite& items, std::string_view lockName) {
    if (auto why = CheckItem("the homepage", items.homepage, tag::HomepageForWire(items.homepage),
                             tag::kHomepageLimit)) {
        return why;
    }
    if (auto why =
            CheckItem("the table info", items.tableInfo, items.tableInfo, tag::kTableInfoLimit)) {
        return why;
    }
    const bool homepage = IsPresent(items.homepage);
    if (!homepage && !IsPresent(items.tableInfo)) {
        return "nothing to write: homepage and table info are both empty";
    }
    if (items.lock && !homepage) {
        return std::string(lockName) + " locks the homepage, and there is no homepage to write";
    }
    return std::nullopt;
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
    const auto judge = [&](std::string_view item, const PortSession::Answer& answer) {
        report.portLost = report.portLost || answer.gone || !answer.sent;
        if ((!answer.sent || !tag::IsWriteSuccess(answer.text)) && report.Succeeded()) {
            report.failure = WriteFailure(item, answer, session.PortName());
        }
    };
    const std::string homepage = tag::HomepageForWire(items.homepage);
    if (IsPresent(items.homepage)) {
        report.homepagePayload = tag::HomepagePayload(homepage, items.lock);
        const PortSession::Answer answer = session.Exchange(report.homepagePayload);
        report.homepageAnswer = answer.text;
        judge("homepage", answer);
    }
    if (!report.Succeeded() && mode.wholeRow) {
        // A tag that refuses its homepage (locked already: a finished tag put back by mistake)
        // keeps its table info too, so that no tag ends up half one row's and half another's.
        report.failure += "; the table info was not written";
        return report;
    }
    if (IsPresent(items.tableInfo)) {
        report.tableInfoPayload = tag::TableInfoPayload(items.tableInfo);
        const PortSession::Answer answer = session.Exchange(report.tableInfoPayload);
        report.tableInfoAnswer = answer.text;
        judge("table info", answer);
    }
    if (!mode.verify || !report.Succeeded()) {
        return report;
    }
    const PortSession::Answer answer = session.Exchange(tag::kReadPayload);
    report.readBack = answer.text;
    report.portLost = answer.gone || !answer.sent;
    const tag::ReadAnswer held = tag::SplitReadAnswer(answer.text);
    if (answer.gone) {
        report.failure = "verify failed: " + DescribeDeviceGone(session.PortName());
    } else if (answer.text.empty()) {
        report.failure = "verify failed: no answer to the read-back";
    } else if (!report.homepagePayload.empty() && held.homepage != homepage) {
        report.failure = Mismatch("homepage", homepage, held.homepage);
    } else if (!report.tableInfoPayload.empty() && held.tableInfo != items.tableInfo) {
        report.failure = Mismatch("table info", items.tableInfo, held.tableInfo);
    } else {
        report.verified = true;
    }
    return report;
}

}  // namespace cli
