// SetThreadDescription exists from Windows 10 1607 on; looked up at run time so that the program
// still starts on older systems, where the thread simply stays unnamed.

#include "platform/thread_name.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32_api.h"

namespace platform {

void NameThisThread(const char* name) {
    using SetDescription = HRESULT(WINAPI*)(HANDLE, PCWSTR);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const FARPROC found =
        kernel != nullptr ? GetProcAddress(kernel, "SetThreadDescription") : nullptr;
    if (found != nullptr) {
        // Through void*: FARPROC has no parameters, and a direct cast trips -Wcast-function-type.
        const auto set = reinterpret_cast<SetDescription>(reinterpret_cast<void*>(found));
        set(GetCurrentThread(), win32::Widen(name).c_str());
    }
}

}  // namespace platform
