#pragma once
// A file that only grows, one record at a time, each on the disk before the caller goes on: the
// batch's log, whose records must survive the program being killed or the power going. While it is
// open it is this journal's alone: a second one on the same file, from this process or another,
// is refused, so that two runs never append to one log.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace platform {

class JournalFile {
  public:
    struct Refusal {
        std::string reason;  // the system's, or that another journal holds the file
        bool inUse = false;  // another journal holds the file
        std::optional<unsigned long> holder;  // its process, where the system tells it
    };
    // Opens `path` for appending, creating it when it is not there, and takes it for this journal.
    static std::variant<JournalFile, Refusal> Open(const std::filesystem::path& path);

    JournalFile(JournalFile&& other) noexcept;
    JournalFile& operator=(JournalFile&& other) noexcept;
    JournalFile(const JournalFile&) = delete;
    JournalFile& operator=(const JournalFile&) = delete;
    ~JournalFile();

    // Writes `record` at the end with one call and syncs it to the disk. Nothing when it is all
    // there; else the system's reason ("No space left on device"), and part of it may be there.
    std::optional<std::string> Append(std::string_view record);

    // Puts everything the file holds, from its start, into `content`. Nothing when it could;
    // else the system's reason.
    std::optional<std::string> ReadAll(std::string& content) const;

  private:
    JournalFile() = default;
    void Close();

    static constexpr std::intptr_t kNoHandle = -1;  // INVALID_HANDLE_VALUE's value too
    std::intptr_t m_handle = kNoHandle;
};

}  // namespace platform
