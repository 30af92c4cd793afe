#pragma once
// Modal message boxes: OK button only, captioned with the application's name.
//
// The watch thread reports through a box too, but it is not the window's thread: its box is shown
// by the window's thread while the caller blocks, and the caller can be released by a stop
// request so that closing the port never waits for an operator to click OK.

#include <stop_token>
#include <string>

namespace platform {

class MessageBoxService {
  public:
    virtual ~MessageBoxService() = default;
    // Window thread only; returns when the operator has closed the box.
    virtual void Show(const std::string& text) = 0;
    // Any other thread; returns when the operator has closed the box or stop is requested.
    virtual void ShowFromWorker(const std::string& text, std::stop_token stop) = 0;
};

// Install before the first port opens; with none installed the texts go to standard error.
void InstallMessageBox(MessageBoxService* service);
void ShowMessage(const std::string& text);
void ShowMessageFromWorker(const std::string& text, std::stop_token stop);

}  // namespace platform
