#include "platform/gui/qt/edit_limit.h"

#include <algorithm>

#include "platform/gui/qt/wire_text.h"

namespace platform::qt {
namespace {

qsizetype ControlCount(const QString& text) {
    return std::count_if(text.begin(), text.end(),
                         [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
}

// The edit that turned `before` into `after`: `after` is before's first `prefix` units, then
// the inserted text, then before's last `suffix` units.
struct Change {
    qsizetype prefix = 0;
    qsizetype suffix = 0;
};
Change Difference(const QString& before, const QString& after) {
    Change c;
    const qsizetype shorter = std::min(before.size(), after.size());
    while (c.prefix < shorter && before[c.prefix] == after[c.prefix]) {
        ++c.prefix;
    }
    while (c.suffix < shorter - c.prefix &&
           before[before.size() - 1 - c.suffix] == after[after.size() - 1 - c.suffix]) {
        ++c.suffix;
    }
    // Never between the two halves of one character.
    while (InsideCharacter(after, c.prefix)) {
        --c.prefix;
    }
    while (InsideCharacter(after, after.size() - c.suffix)) {
        --c.suffix;
    }
    return c;
}

}  // namespace

EditLimitValidator::EditLimitValidator(QLineEdit* edit, int limit)
    : QValidator(edit), m_accepted(edit->text()), m_limit(limit) {
    connect(edit, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_accepted = text; });
}

QValidator::State EditLimitValidator::validate(QString& input, int& pos) const {
    // Compared with the text before the edit, so that what the program put into the box (an
    // answer read from a tag) can still be edited and shortened.
    const QString& before = m_accepted;
    if (m_programText) {
        return Acceptable;
    }
    if (ControlCount(input) > ControlCount(before)) {
        return Invalid;
    }
    const auto limit = static_cast<std::size_t>(m_limit);
    const std::size_t length = WireLength(input);
    if (length <= limit || length < WireLength(before)) {
        return Acceptable;
    }
    // Too long: keep as much of the inserted text as fits, whole characters only.
    const Change change = Difference(before, input);
    const QString kept = input.left(change.prefix) + input.right(change.suffix);
    const std::size_t keptLength = WireLength(kept);
    if (keptLength >= limit) {
        return Invalid;
    }
    const QString inserted = input.mid(change.prefix, input.size() - change.prefix - change.suffix);
    qsizetype fits = inserted.size();
    while (fits > 0 && (InsideCharacter(inserted, fits) ||
                        keptLength + WireLength(inserted.left(fits)) > limit)) {
        --fits;
    }
    if (fits == 0) {
        return Invalid;
    }
    input = input.left(change.prefix) + inserted.left(fits) + input.right(change.suffix);
    pos = static_cast<int>(change.prefix + fits);
    return Acceptable;
}

namespace {
EditLimitValidator* InstalledLimit(QLineEdit* edit) {
    return edit->findChild<EditLimitValidator*>(QString(), Qt::FindDirectChildrenOnly);
}
}  // namespace

void LimitEditText(QLineEdit* edit, int limit) {
    if (EditLimitValidator* existing = InstalledLimit(edit)) {
        existing->SetLimit(limit);
        return;
    }
    edit->setValidator(new EditLimitValidator(edit, limit));
}

void SetProgramText(QLineEdit* edit, const QString& text) {
    EditLimitValidator* limit = InstalledLimit(edit);
    if (limit != nullptr) {
        limit->SetProgramText(true);
    }
    edit->setText(text);
    if (limit != nullptr) {
        limit->SetProgramText(false);
    }
}

}  // namespace platform::qt
