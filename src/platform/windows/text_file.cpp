// Small text files on Windows.
//
// FILE_FLAG_OPEN_REPARSE_POINT opens a symbolic link or junction planted at the name as itself
// instead of following it; the attribute check then refuses it before anything is written.

#include "platform/text_file.h"
#include "platform/windows/unique_handle.h"
#include "platform/windows/wide_text.h"

namespace platform {
namespace {

std::string WithCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (const char c : text) {
        if (c == '\n') {
            out += '\r';
        }
        out += c;
    }
    return out;
}

bool IsPlainFile(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info) &&
           (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) == 0;
}

}  // namespace

bool WriteTextFile(const std::string& path, std::string_view text) {
    const win32::UniqueHandle file(
        CreateFileW(win32::Widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file || !IsPlainFile(file.get()) || !SetEndOfFile(file.get())) {
        return false;
    }
    const std::string bytes = WithCrLf(text);
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        if (!WriteFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done),
                       &written, nullptr) ||
            written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

}  // namespace platform
