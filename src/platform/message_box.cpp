#include "platform/message_box.h"

#include <atomic>
#include <cstdio>

namespace platform {
namespace {
std::atomic<MessageBoxService*> g_service{nullptr};

void ToStandardError(const std::string& text) {
    std::fprintf(stderr, "Velmora: %s\n", text.c_str());
}
}  // namespace

void InstallMessageBox(MessageBoxService* service) {
    g_service.store(service, std::memory_order_release);
}

void ShowMessage(const std::string& text) {
    if (MessageBoxService* s = g_service.load(std::memory_order_acquire)) {
        s->Show(text);
    } else {
        ToStandardError(text);
    }
}

void ShowMessageFromWorker(const std::string& text, std::function<void()> closed) {
    if (MessageBoxService* s = g_service.load(std::memory_order_acquire)) {
        s->ShowFromWorker(text, std::move(closed));
        return;
    }
    ToStandardError(text);
    if (closed) {
        closed();
    }
}

}  // namespace platform
