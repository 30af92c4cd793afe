// The journal on Windows: FILE_APPEND_DATA alone puts every write at the end of the file, one
// WriteFile per record, and FlushFileBuffers makes it durable.
//
// Sharing only reading keeps a second journal from opening the file, and a lock on one byte far
// past any end the file will reach keeps one out that comes by another way (a share that allows
// writers): LockFileEx on the data itself would also shut out readers, such as the resume's
// first look at the log. Windows does not say who holds either.

#include "platform/journal_file.h"
#include "platform/serial_error.h"
#include "platform/windows/unique_handle.h"
#include "platform/windows/win32_api.h"

namespace platform {
namespace {

std::string SystemReason() {
    // MapOsError keeps the system's text behind what was attempted: only the text is wanted.
    const std::string text = MapOsError(static_cast<int>(GetLastError()), "").text;
    return text.starts_with(": ") ? text.substr(2) : text;
}

}  // namespace

struct JournalFile::File {
    explicit File(HANDLE file) : handle(file) {}

    win32::UniqueHandle handle;
};

JournalFile::JournalFile(std::unique_ptr<File> file) : m_file(std::move(file)) {}
JournalFile::JournalFile(JournalFile&& other) noexcept = default;
JournalFile& JournalFile::operator=(JournalFile&& other) noexcept = default;
JournalFile::~JournalFile() = default;

Result<JournalFile, JournalFile::Refusal> JournalFile::Open(const std::filesystem::path& path) {
    const HANDLE handle =
        CreateFileW(path.wstring().c_str(), GENERIC_READ | FILE_APPEND_DATA | SYNCHRONIZE,
                    FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        if (GetLastError() == ERROR_SHARING_VIOLATION) {
            return Failure(Refusal{"another batch is using it", true, std::nullopt});
        }
        return Failure(Refusal{SystemReason(), false, std::nullopt});
    }
    JournalFile file(std::make_unique<File>(handle));
    OVERLAPPED beyond{};
    beyond.Offset = 0xFFFFFFFEu;
    beyond.OffsetHigh = 0x7FFFFFFFu;
    if (!LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                    &beyond)) {
        if (GetLastError() == ERROR_LOCK_VIOLATION) {
            return Failure(Refusal{"another batch is using it", true, std::nullopt});
        }
        return Failure(Refusal{SystemReason(), false, std::nullopt});
    }
    return file;
}

Result<void> JournalFile::Append(std::string_view record) {
    while (!record.empty()) {
        DWORD written = 0;
        if (!WriteFile(m_file->handle.get(), record.data(), static_cast<DWORD>(record.size()),
                       &written, nullptr)) {
            return Failure(SystemReason());
        }
        if (written == 0) {
            return Failure("the disk took none of it");
        }
        record.remove_prefix(written);
    }
    if (!FlushFileBuffers(m_file->handle.get())) {
        return Failure(SystemReason());
    }
    return {};
}

Result<std::string> JournalFile::ReadAll() const {
    std::string content;
    char buffer[65536];
    for (;;) {
        // An offset of its own for each read: appends move the file's pointer to the end.
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(content.size());
        at.OffsetHigh = static_cast<DWORD>(static_cast<unsigned long long>(content.size()) >> 32);
        DWORD n = 0;
        if (!ReadFile(m_file->handle.get(), buffer, sizeof buffer, &n, &at)) {
            if (GetLastError() == ERROR_HANDLE_EOF) {
                return content;
            }
            return Failure(SystemReason());
        }
        if (n == 0) {
            return content;
        }
        content.append(buffer, n);
    }
}

}  // namespace platform
