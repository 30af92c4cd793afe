// The journal on Windows: FILE_APPEND_DATA alone puts every write at the end of the file, one
// WriteFile per record, and FlushFileBuffers makes it durable.

#include "platform/journal_file.h"
#include "platform/serial_error.h"
#include "platform/windows/win32_api.h"

namespace platform {
namespace {

std::string SystemReason() {
    // MapOsError keeps the system's text behind what was attempted: only the text is wanted.
    const std::string text = MapOsError(static_cast<int>(GetLastError()), "").text;
    return text.starts_with(": ") ? text.substr(2) : text;
}

HANDLE Handle(std::intptr_t value) {
    return reinterpret_cast<HANDLE>(value);
}

}  // namespace

std::variant<JournalFile, std::string> JournalFile::Open(const std::filesystem::path& path) {
    const HANDLE handle =
        CreateFileW(path.wstring().c_str(), FILE_APPEND_DATA | SYNCHRONIZE, FILE_SHARE_READ,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return SystemReason();
    }
    JournalFile file;
    file.m_handle = reinterpret_cast<std::intptr_t>(handle);
    return file;
}

void JournalFile::Close() {
    if (m_handle != kNoHandle) {
        CloseHandle(Handle(m_handle));
        m_handle = kNoHandle;
    }
}

std::optional<std::string> JournalFile::Append(std::string_view record) {
    while (!record.empty()) {
        DWORD written = 0;
        if (!WriteFile(Handle(m_handle), record.data(), static_cast<DWORD>(record.size()), &written,
                       nullptr)) {
            return SystemReason();
        }
        if (written == 0) {
            return "the disk took none of it";
        }
        record.remove_prefix(written);
    }
    if (!FlushFileBuffers(Handle(m_handle))) {
        return SystemReason();
    }
    return std::nullopt;
}

}  // namespace platform
