#pragma once
// Stands in for the operator's message boxes: records every text. A box asked for by a worker
// thread is closed at once, or, while the recorder holds, stays up until the test releases it,
// as an unanswered box on screen would. Installs itself for its lifetime.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/message_box.h"

namespace testsupport {

class RecordingMessageBox : public platform::MessageBoxService {
  public:
    RecordingMessageBox();
    ~RecordingMessageBox() override;

    void Show(const std::string& text) override;
    void ShowFromWorker(const std::string& text, std::function<void()> closed) override;

    // While holding, worker boxes stay up until released.
    void SetHolding(bool holding);
    // Closes the oldest worker box still up.
    void Release();
    std::size_t BoxesUp() const;

    std::vector<std::string> Texts() const;
    // True when at least `count` boxes have been shown within the timeout.
    bool WaitForCount(std::size_t count, std::chrono::milliseconds timeout);

  private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_texts;
    bool m_holding = false;
    std::deque<std::function<void()>> m_up;
};

}  // namespace testsupport
