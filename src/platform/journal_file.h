#pragma once
// A file that only grows, one record at a time, each on the disk before the caller goes on: the
// batch's log, whose records must survive the program being killed or the power going. While it is
// open it is this journal's alone: a second one on the same file, from this process or another,
// is refused, so that two runs never append to one log.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace platform {

class JournalFile {
  public:
    struct Refusal {
        std::string reason;  // the system's, or that another journal holds the file
        bool inUse = false;  // another journal holds the file
        std::optional<unsigned long> holder;  // its process, where the system tells it
    };
    // Opens `path` for appending, creating it when it is not there, and takes it for this journal.
    [[nodiscard]] static Result<JournalFile, Refusal> Open(const std::filesystem::path& path);

    JournalFile(JournalFile&& other) noexcept;
    JournalFile& operator=(JournalFile&& other) noexcept;
    JournalFile(const JournalFile&) = delete;
    JournalFile& operator=(const JournalFile&) = delete;
    ~JournalFile();  // closes

    // Writes `record` at the end with one call and syncs it to the disk. Else the system's reason
    // ("No space left on device"), and part of it may be there.
    [[nodiscard]] Result<void> Append(std::string_view record);

    // Everything the file holds, from its start; else the system's reason.
    [[nodiscard]] Result<std::string> ReadAll() const;

  private:
    struct File;  // the backend's own open file, closed when it goes
    explicit JournalFile(std::unique_ptr<File> file);

    std::unique_ptr<File> m_file;
};

}  // namespace platform
