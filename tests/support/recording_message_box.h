#pragma once
// Stands in for the operator's message boxes: records every text. When told to hold, a box shown
// from a worker thread keeps that thread waiting until the test releases it or a stop is
// requested, as an unanswered box on screen would. Installs itself for its lifetime.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <stop_token>
#include <string>
#include <vector>

#include "platform/message_box.h"

namespace testsupport {

class RecordingMessageBox : public platform::MessageBoxService {
  public:
    RecordingMessageBox();
    ~RecordingMessageBox() override;

    void Show(const std::string& text) override;
    void ShowFromWorker(const std::string& text, std::stop_token stop) override;

    // While holding, each worker box waits for one Release (or its stop request).
    void SetHolding(bool holding);
    void Release();

    std::vector<std::string> Texts() const;
    // True when at least `count` boxes have been shown within the timeout.
    bool WaitForCount(std::size_t count, std::chrono::milliseconds timeout);
    // True when a worker is waiting inside a box.
    bool WorkerHeld() const;

  private:
    mutable std::mutex m_mutex;
    std::condition_variable_any m_changed;
    std::vector<std::string> m_texts;
    bool m_holding = false;
    std::size_t m_releases = 0;
    std::size_t m_held = 0;
};

}  // namespace testsupport
