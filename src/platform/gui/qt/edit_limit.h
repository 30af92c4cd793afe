#pragma once
// What a limited single-line edit box accepts from the operator.
//
// Like a Windows edit box with a text limit: typing that would make the text longer than the
// limit is refused, pasting more than fits inserts what fits, and a longer text that the program
// put into the box stays whole and can still be shortened. The limit counts bytes on the wire,
// since that is what the tag keeps. Control characters are refused too: the text goes out inside
// a serial frame, where 0x01 and 0x04 are the frame's own bytes.

#include <QLineEdit>
#include <QValidator>

namespace platform::qt {

class EditLimitValidator : public QValidator {
    Q_OBJECT

  public:
    EditLimitValidator(QLineEdit* edit, int limit);
    void SetLimit(int limit) { m_limit = limit; }
    State validate(QString& input, int& pos) const override;
    // While set, every text is taken whole: it is the program's, not the operator's.
    void SetProgramText(bool on) { m_programText = on; }

  private:
    // The box's text as last accepted: while the validator runs, the box already holds the
    // proposed text.
    QString m_accepted;
    int m_limit;
    bool m_programText = false;
};

// Installs the limit on the box, or changes the limit of the one installed before.
void LimitEditText(QLineEdit* edit, int limit);
// Puts the program's text into the box whole, whatever its limit: the limit holds back only the
// operator, so what a READ brought stays visible in full and can be shortened.
void SetProgramText(QLineEdit* edit, const QString& text);

}  // namespace platform::qt
