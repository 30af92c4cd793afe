#pragma once
// What a limited single-line edit box accepts from the operator.
//
// Like a Windows edit box with a text limit: typing or pasting that would make the text longer
// than the limit is refused, while a longer text that the program put into the box stays whole
// and can still be shortened. Control characters are refused too: the text goes out inside a
// serial frame, where 0x01 and 0x04 are the frame's own bytes.

#include <QLineEdit>
#include <QValidator>

namespace platform {

class EditLimitValidator : public QValidator {
    Q_OBJECT

  public:
    EditLimitValidator(QLineEdit* edit, int limit);
    void SetLimit(int limit) { m_limit = limit; }
    State validate(QString& input, int& pos) const override;

  private:
    // The box's text as last accepted: while the validator runs, the box already holds the
    // proposed text.
    QString m_accepted;
    int m_limit;
};

// Characters as the operator counts them (code points, not UTF-16 units or bytes).
int CharacterCount(const QString& text);
int CharacterCount(const std::string& utf8);

// Installs the limit on the box, or changes the limit of the one installed before.
void LimitEditText(QLineEdit* edit, int limit);

}  // namespace platform
