#include "operator_hand.h"

#include <QAbstractButton>
#include <QApplication>

#include <numeric>

namespace bench {
namespace {

QMessageBox* ShownBox() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box != nullptr && box->isVisible()) {
            return box;
        }
    }
    return nullptr;
}

}  // namespace

OperatorHand::OperatorHand(std::function<std::chrono::milliseconds()> readingTime)
    : m_readingTime(std::move(readingTime)) {
    m_eyes.callOnTimeout([this] { Look(); });
    m_eyes.start(std::chrono::milliseconds(20));
}

void OperatorHand::Look() {
    if (m_reading == nullptr || !m_reading->isVisible()) {
        m_reading = ShownBox();
        m_answerAt = std::chrono::steady_clock::now() + m_readingTime();
        return;
    }
    if (std::chrono::steady_clock::now() >= m_answerAt) {
        Answer(m_reading);
        m_reading = nullptr;
    }
}

void OperatorHand::Answer(QMessageBox* box) {
    ++m_answered[box->text().section(u'\n', 0, 0).toStdString()];
    box->button(QMessageBox::Ok)->click();
}

int OperatorHand::AnswerAll() {
    int count = 0;
    while (QMessageBox* box = ShownBox()) {
        Answer(box);
        ++count;
        // A box that closes is deleted later; until then it must not be found again.
        QApplication::processEvents();
    }
    m_reading = nullptr;
    return count;
}

int OperatorHand::Total() const {
    return std::accumulate(m_answered.begin(), m_answered.end(), 0,
                           [](int sum, const auto& entry) { return sum + entry.second; });
}

}  // namespace bench
