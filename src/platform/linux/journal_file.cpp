// The journal on POSIX: O_APPEND puts every record at the end, one write(2) per record, and
// fdatasync makes it durable. A file-size limit would send SIGXFSZ, whose default ends the
// process mid-record; the program ignores it (see console.cpp), so write fails with EFBIG
// and the caller hears the reason.
//
// flock, not fcntl's record locks: those are dropped when any descriptor of the file in this
// process closes (a stream that read the log, say), flock's only with this descriptor. flock does
// not say who holds the lock; /proc/locks does.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/journal_file.h"
#include "platform/linux/unique_fd.h"

namespace platform {
namespace {

// The process that holds a flock on the file of `fd`, from /proc/locks ("1: FLOCK ADVISORY WRITE
// 4711 fd:01:1234 0 EOF"; waiters' lines carry "->" after the number).
std::optional<unsigned long> FlockHolder(int fd) {
    struct stat file {};
    if (::fstat(fd, &file) != 0) {
        return std::nullopt;
    }
    char id[64];
    std::snprintf(id, sizeof id, "%02x:%02x:%llu", ::major(file.st_dev), ::minor(file.st_dev),
                  static_cast<unsigned long long>(file.st_ino));
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        std::istringstream fields(line);
        std::string number, kind, mode, access, pid, where;
        fields >> number >> kind;
        if (kind == "->") {
            continue;
        }
        fields >> mode >> access >> pid >> where;
        unsigned long holder = 0;
        const auto [end, ec] = std::from_chars(pid.data(), pid.data() + pid.size(), holder);
        if (kind == "FLOCK" && where == id && ec == std::errc() && end == pid.data() + pid.size()) {
            return holder;
        }
    }
    return std::nullopt;
}

}  // namespace

struct JournalFile::File {
    UniqueFd fd;
};

JournalFile::JournalFile(std::unique_ptr<File> file) : m_file(std::move(file)) {}
JournalFile::JournalFile(JournalFile&& other) noexcept = default;
JournalFile& JournalFile::operator=(JournalFile&& other) noexcept = default;
JournalFile::~JournalFile() = default;

Result<JournalFile, JournalFile::Refusal> JournalFile::Open(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        return Failure(Refusal{std::strerror(errno), false, std::nullopt});
    }
    JournalFile file(std::make_unique<File>(File{UniqueFd(fd)}));
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) {
            return Failure(Refusal{"another batch is using it", true, FlockHolder(fd)});
        }
        if (errno != EINTR) {
            return Failure(Refusal{std::strerror(errno), false, std::nullopt});
        }
    }
    return file;
}

Result<void> JournalFile::Append(std::string_view record) {
    const int fd = m_file->fd.get();
    // A short write means the disk or the size limit has run out: the next write says which.
    while (!record.empty()) {
        const ssize_t written = ::write(fd, record.data(), record.size());
        if (written < 0 && errno != EINTR) {
            return Failure(std::strerror(errno));
        }
        if (written == 0) {
            return Failure("the disk took none of it");
        }
        if (written > 0) {
            record.remove_prefix(static_cast<std::size_t>(written));
        }
    }
    if (::fdatasync(fd) != 0) {
        return Failure(std::strerror(errno));
    }
    return {};
}

Result<std::string> JournalFile::ReadAll() const {
    std::string content;
    const int fd = m_file->fd.get();
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, static_cast<off_t>(content.size()));
        if (n > 0) {
            content.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0) {
            return content;
        } else if (errno != EINTR) {
            return Failure(std::strerror(errno));
        }
    }
}

}  // namespace platform
