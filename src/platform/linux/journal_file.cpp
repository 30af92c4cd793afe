// The journal on POSIX: O_APPEND puts every record at the end, one write(2) per record, and
// fdatasync makes it durable. A file-size limit would send SIGXFSZ, whose default ends the
// process mid-record; the program ignores it (see console.cpp), so write fails with EFBIG
// and the caller hears the reason.

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/journal_file.h"

namespace platform {

std::variant<JournalFile, std::string> JournalFile::Open(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        return std::string(std::strerror(errno));
    }
    JournalFile file;
    file.m_handle = fd;
    return file;
}

void JournalFile::Close() {
    if (m_handle != kNoHandle) {
        ::close(static_cast<int>(m_handle));
        m_handle = kNoHandle;
    }
}

std::optional<std::string> JournalFile::Append(std::string_view record) {
    const int fd = static_cast<int>(m_handle);
    // A short write means the disk or the size limit has run out: the next write says which.
    while (!record.empty()) {
        const ssize_t written = ::write(fd, record.data(), record.size());
        if (written < 0 && errno != EINTR) {
            return std::string(std::strerror(errno));
        }
        if (written == 0) {
            return std::string("the disk took none of it");
        }
        if (written > 0) {
            record.remove_prefix(static_cast<std::size_t>(written));
        }
    }
    if (::fdatasync(fd) != 0) {
        return std::string(std::strerror(errno));
    }
    return std::nullopt;
}

}  // namespace platform
