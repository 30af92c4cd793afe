#pragma once
// Modal message boxes: OK button only, captioned with the application's name.
//
// The watch thread reports through a box too, but it is not the window's thread: it only asks for
// the box and goes on, and the window's thread shows it. The watch thread never waits for an
// operator, so closing the port never does either, and reading goes on while a box is up.

#include <functional>
#include <string>

namespace platform {

class MessageBoxService {
  public:
    virtual ~MessageBoxService() = default;
    // Window thread only; returns when the operator has closed the box.
    virtual void Show(const std::string& text) = 0;
    // Any other thread; returns at once. `closed` is called, on any thread, once the operator
    // has closed the box.
    virtual void ShowFromWorker(const std::string& text, std::function<void()> closed) = 0;
};

// Install before the first port opens; with none installed the texts go to standard error.
void InstallMessageBox(MessageBoxService* service);
void ShowMessage(const std::string& text);
void ShowMessageFromWorker(const std::string& text, std::function<void()> closed = {});

}  // namespace platform
