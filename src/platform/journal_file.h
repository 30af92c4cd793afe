#pragma once
// A file that only grows, one record at a time, each on the disk before the caller goes on: the
// batch's log, whose records must survive the program being killed or the power going.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace platform {

class JournalFile {
  public:
    // Opens `path` for appending, creating it when it is not there; else the system's reason.
    static std::variant<JournalFile, std::string> Open(const std::filesystem::path& path);

    JournalFile(JournalFile&& other) noexcept;
    JournalFile& operator=(JournalFile&& other) noexcept;
    JournalFile(const JournalFile&) = delete;
    JournalFile& operator=(const JournalFile&) = delete;
    ~JournalFile();

    // Writes `record` at the end with one call and syncs it to the disk. Nothing when it is all
    // there; else the system's reason ("No space left on device"), and part of it may be there.
    std::optional<std::string> Append(std::string_view record);

  private:
    JournalFile() = default;
    void Close();

    static constexpr std::intptr_t kNoHandle = -1;  // INVALID_HANDLE_VALUE's value too
    std::intptr_t m_handle = kNoHandle;
};

}  // namespace platform
