#include "platform/qt/edit_limit.h"

#include <algorithm>

namespace platform {

int CharacterCount(const QString& text) {
    return static_cast<int>(text.size()) -
           static_cast<int>(
               std::count_if(text.begin(), text.end(), [](QChar c) { return c.isLowSurrogate(); }));
}

int CharacterCount(const std::string& utf8) {
    // Continuation bytes (10xxxxxx) do not start a character.
    return static_cast<int>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

EditLimitValidator::EditLimitValidator(QLineEdit* edit, int limit)
    : QValidator(edit), m_accepted(edit->text()), m_limit(limit) {
    connect(edit, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_accepted = text; });
}

namespace {
int ControlCount(const QString& text) {
    return static_cast<int>(std::count_if(text.begin(), text.end(), [](QChar c) {
        return c.unicode() < 0x20 || c.unicode() == 0x7F;
    }));
}
}  // namespace

QValidator::State EditLimitValidator::validate(QString& input, int&) const {
    // Compared with the text before the edit, so that what the program put into the box (an
    // answer read from a tag) can still be edited and shortened.
    const QString& before = m_accepted;
    if (ControlCount(input) > ControlCount(before)) {
        return Invalid;
    }
    const int length = CharacterCount(input);
    if (length <= m_limit || length < CharacterCount(before)) {
        return Acceptable;
    }
    return Invalid;
}

void LimitEditText(QLineEdit* edit, int limit) {
    if (auto* existing =
            edit->findChild<EditLimitValidator*>(QString(), Qt::FindDirectChildrenOnly)) {
        existing->SetLimit(limit);
        return;
    }
    edit->setValidator(new EditLimitValidator(edit, limit));
}

}  // namespace platform
