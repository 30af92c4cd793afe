#include "platform/gui/window_services.h"

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <utility>

#include "platform/gui/win32/native.h"
#include "platform/message_box.h"
#include "platform/window_post.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32_api.h"

namespace platform::win32 {
namespace {

constexpr UINT kShowRequested = WM_APP + 1;

struct BoxRequest {
    std::string text;
    std::function<void()> closed;
};

// The watch thread's requests, and the window that shows them on the window's thread.
std::mutex g_requestsLock;
std::deque<BoxRequest> g_requests;
HWND g_requestWindow = nullptr;

// The caption of every box: the executable's file name without its extension.
const std::wstring& Caption() {
    static const std::wstring caption = [] {
        std::wstring path(MAX_PATH, L'\0');
        path.resize(GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
        const std::size_t slash = path.find_last_of(L"\\/");
        std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
        const std::size_t dot = name.rfind(L'.');
        return dot == std::wstring::npos ? name : name.substr(0, dot);
    }();
    return caption;
}

void ShowBox(const std::string& text) {
    MessageBoxW(TopDialogWindow(), Widen(text).c_str(), Caption().c_str(),
                MB_OK | MB_ICONEXCLAMATION);
}

LRESULT CALLBACK RequestWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kShowRequested) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    BoxRequest request;
    {
        std::lock_guard guard(g_requestsLock);
        if (g_requests.empty()) {
            return 0;
        }
        request = std::move(g_requests.front());
        g_requests.pop_front();
    }
    ShowBox(request.text);
    if (request.closed) {
        request.closed();
    }
    return 0;
}

HWND CreateRequestWindow() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &RequestWindowProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"VelmoraBoxRequests";
    RegisterClassW(&windowClass);
    return CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           windowClass.hInstance, nullptr);
}

// A post is PostMessage to the dialog's window: thread-safe, never waits, and dropped by Windows
// once the window is destroyed.
class Win32WindowPoster : public WindowPoster {
  public:
    void Post(WindowHandle window, std::uint32_t message) override {
        PostMessageW(reinterpret_cast<HWND>(window), message, 0, 0);
    }
};

// A box the watch thread asks for is shown by the window's thread: the request goes to a
// message-only window that the window's thread owns, whose procedure shows it from whichever of
// the thread's loops is running then.
class Win32MessageBox : public MessageBoxService {
  public:
    void Show(const std::string& text) override { ShowBox(text); }
    void ShowFromWorker(const std::string& text, std::function<void()> closed) override {
        std::lock_guard guard(g_requestsLock);
        g_requests.push_back({text, std::move(closed)});
        PostMessageW(g_requestWindow, kShowRequested, 0, 0);
    }
};

Win32WindowPoster g_poster;
Win32MessageBox g_messageBox;

}  // namespace
}  // namespace platform::win32

namespace platform {

WindowServices::WindowServices() {
    {
        std::lock_guard guard(win32::g_requestsLock);
        win32::g_requestWindow = win32::CreateRequestWindow();
    }
    InstallWindowPoster(&win32::g_poster);
    InstallMessageBox(&win32::g_messageBox);
}

WindowServices::~WindowServices() {
    InstallMessageBox(nullptr);
    InstallWindowPoster(nullptr);
    std::lock_guard guard(win32::g_requestsLock);
    DestroyWindow(std::exchange(win32::g_requestWindow, nullptr));
    win32::g_requests.clear();
}

}  // namespace platform
