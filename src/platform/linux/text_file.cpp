// The file is written under a fresh name in the same folder and renamed over the old one once it
// is complete, so that the old file stays as it was when the disk is full or the program dies
// half-way. rename replaces whatever entry has the name, a planted link included, and never
// writes through it; the fresh name is created exclusively and never follows a link either.

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/text_file.h"

namespace platform {
namespace {

// A new file beside `path`, or -1; `temp` gets its name.
int CreateBeside(const std::string& path, std::string& temp) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = path + ".new-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        const int fd =
            ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

bool WriteAll(int fd, std::string_view text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno != EINTR) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool WriteTextFile(const std::string& path, std::string_view text) {
    std::string temp;
    const int fd = CreateBeside(path, temp);
    if (fd < 0) {
        return false;
    }
    bool ok = WriteAll(fd, text) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
    }
    return ok;
}

}  // namespace platform
