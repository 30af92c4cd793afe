#include "platform/gui/win32/window_services.h"

#include <deque>
#include <mutex>
#include <utility>

#include "platform/gui/win32/native.h"
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

}  // namespace

void Win32WindowPoster::Post(WindowHandle window, std::uint32_t message) {
    PostMessageW(reinterpret_cast<HWND>(window), message, 0, 0);
}

void Win32MessageBox::Show(const std::string& text) {
    ShowBox(text);
}

void Win32MessageBox::ShowFromWorker(const std::string& text, std::function<void()> closed) {
    std::lock_guard guard(g_requestsLock);
    g_requests.push_back({text, std::move(closed)});
    PostMessageW(g_requestWindow, kShowRequested, 0, 0);
}

Win32WindowServices::Win32WindowServices() {
    {
        std::lock_guard guard(g_requestsLock);
        g_requestWindow = CreateRequestWindow();
    }
    InstallWindowPoster(&m_poster);
    InstallMessageBox(&m_messageBox);
}

Win32WindowServices::~Win32WindowServices() {
    InstallMessageBox(nullptr);
    InstallWindowPoster(nullptr);
    std::lock_guard guard(g_requestsLock);
    DestroyWindow(std::exchange(g_requestWindow, nullptr));
    g_requests.clear();
}

}  // namespace platform::win32
