#pragma once
// The operator answering the real message boxes: each box that shows is read for a while, then
// its OK is pressed. Boxes of a handler (modal, in their own loop) and those the watch thread asks
// for (shown without a loop) alike; counts what it answered, by text.
//
// Window thread only: a timer on it looks for boxes, so it answers inside any loop that runs.

#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <functional>
#include <map>
#include <string>

namespace bench {

class OperatorHand {
  public:
    // `readingTime` says how long the next box is looked at before it is answered.
    explicit OperatorHand(std::function<std::chrono::milliseconds()> readingTime);

    // Answers every box up now, without reading; the count of them.
    int AnswerAll();
    // Texts answered so far (a message box's first line) and how often.
    const std::map<std::string, int>& Answered() const { return m_answered; }
    int Total() const;

  private:
    void Look();
    void Answer(QMessageBox* box);

    std::function<std::chrono::milliseconds()> m_readingTime;
    QTimer m_eyes;
    QPointer<QMessageBox> m_reading;
    std::chrono::steady_clock::time_point m_answerAt;
    std::map<std::string, int> m_answered;
};

}  // namespace bench
