// Scans /proc. Processes come and go while we look: every entry that vanishes or cannot be read
// is skipped, never reported.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <charconv>
#include <optional>
#include <sstream>
#include <string_view>

#include "platform/linux/device_users.h"

namespace platform {
namespace {

constexpr unsigned kPtySlaveMajor = 136;  // Unix 98 pseudo-terminal slaves

// Plain system calls rather than streams and paths: the look runs on every OPEN and goes
// through every descriptor on the machine.
class Folder {
  public:
    explicit Folder(int fd) : m_dir(fd >= 0 ? ::fdopendir(fd) : nullptr) {
        if (fd >= 0 && m_dir == nullptr) {
            ::close(fd);
        }
    }
    ~Folder() {
        if (m_dir != nullptr) {
            ::closedir(m_dir);
        }
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    int Fd() const { return m_dir != nullptr ? ::dirfd(m_dir) : -1; }
    // The next entry's name other than "." and "..", or null at the end.
    const char* Next() {
        while (m_dir != nullptr) {
            const dirent* entry = ::readdir(m_dir);
            if (entry == nullptr) {
                return nullptr;
            }
            if (entry->d_name[0] != '.') {
                return entry->d_name;
            }
        }
        return nullptr;
    }

  private:
    DIR* m_dir;
};

int OpenFolder(int at, const char* name) {
    return ::openat(at, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// The start of a small /proc file; empty when it cannot be read.
std::string ReadSmall(int at, const char* name) {
    const int fd = ::openat(at, name, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    char buffer[512];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

std::optional<pid_t> PidOf(std::string_view name) {
    pid_t pid = 0;
    const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), pid);
    if (ec != std::errc() || end != name.data() + name.size()) {
        return std::nullopt;
    }
    return pid;
}

// Calls visit(pid, descriptor of /proc/<pid>) for every process but this one.
template <typename Visit>
void ForEachOtherProcess(Visit&& visit) {
    Folder proc(::open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const pid_t self = ::getpid();
    while (const char* name = proc.Next()) {
        const std::optional<pid_t> pid = PidOf(name);
        if (!pid || *pid == self) {
            continue;
        }
        const int process = OpenFolder(proc.Fd(), name);
        if (process >= 0) {
            visit(*pid, process);
            ::close(process);
        }
    }
}

std::string ProgramOf(int process) {
    std::string name = ReadSmall(process, "comm");
    if (!name.empty() && name.back() == '\n') {
        name.pop_back();
    }
    return name;
}

// The pseudo-terminal index of a master descriptor (/dev/ptmx), from its fdinfo.
std::optional<unsigned> MasterIndex(int process, const char* fd) {
    const std::string info = ReadSmall(process, ("fdinfo/" + std::string(fd)).c_str());
    constexpr std::string_view kKey = "tty-index:";
    const std::size_t key = info.find(kKey);
    if (key == std::string::npos) {
        return std::nullopt;
    }
    const std::size_t digits = info.find_first_not_of(" \t", key + kKey.size());
    unsigned index = 0;
    if (digits == std::string::npos ||
        std::from_chars(info.data() + digits, info.data() + info.size(), index).ec != std::errc()) {
        return std::nullopt;
    }
    return index;
}

bool IsMasterLink(int fds, const char* fd) {
    char target[64];
    const ssize_t n = ::readlinkat(fds, fd, target, sizeof target);
    const std::string_view link(target, n > 0 ? static_cast<std::size_t>(n) : 0);
    return link.ends_with("/ptmx");
}

// A pseudo-terminal's number names it only within its devpts filesystem: a clean root or a
// container mounts one of its own, whose pts/N has the number of ours. Any other device has one
// number wherever its node is.
bool IsPtySlave(const struct stat& device) {
    return ::major(device.st_rdev) == kPtySlaveMajor;
}

struct Descriptors {
    bool holdsDevice = false;
    bool holdsLookalike = false;  // a pseudo-terminal of the same number in another filesystem
    bool holdsMaster = false;
};

Descriptors LookAtDescriptors(int process, const struct stat& device) {
    Descriptors found;
    const bool pty = IsPtySlave(device);
    Folder fds(OpenFolder(process, "fd"));
    while (const char* fd = fds.Next()) {
        struct stat st {};
        if (::fstatat(fds.Fd(), fd, &st, 0) != 0 || !S_ISCHR(st.st_mode)) {
            continue;
        }
        if (st.st_rdev == device.st_rdev) {
            const bool lookalike = pty && st.st_dev != device.st_dev;
            found.holdsLookalike = found.holdsLookalike || lookalike;
            found.holdsDevice = found.holdsDevice || !lookalike;
        } else if (pty && IsMasterLink(fds.Fd(), fd)) {
            found.holdsMaster =
                found.holdsMaster || MasterIndex(process, fd) == ::minor(device.st_rdev);
        }
    }
    return found;
}

// The fields of /proc/<pid>/stat after the command name, which may itself hold blanks.
std::istringstream FieldsAfterName(int process) {
    const std::string line = ReadSmall(process, "stat");
    const std::size_t close = line.rfind(')');
    return std::istringstream(close == std::string::npos ? std::string() : line.substr(close + 1));
}

// The kernel's packing of a device number in /proc/<pid>/stat.
dev_t DecodeTtyNr(unsigned long nr) {
    return ::makedev((nr >> 8) & 0xfff, (nr & 0xff) | ((nr >> 12) & 0xfff00));
}

}  // namespace

std::vector<DeviceUser> OtherHoldersOf(const struct stat& device) {
    std::vector<DeviceUser> holders;
    ForEachOtherProcess([&](pid_t pid, int process) {
        const Descriptors d = LookAtDescriptors(process, device);
        if (d.holdsDevice && !d.holdsMaster) {
            holders.push_back(DeviceUser{pid, ProgramOf(process)});
        }
    });
    return holders;
}

std::optional<DeviceUser> SessionOnTerminal(const struct stat& device) {
    struct Member {
        DeviceUser user;
        pid_t session = 0;
        Descriptors descriptors;
    };
    std::vector<Member> members;
    ForEachOtherProcess([&](pid_t pid, int process) {
        std::istringstream fields = FieldsAfterName(process);
        std::string state;
        pid_t parent = 0;
        pid_t group = 0;
        pid_t session = 0;
        unsigned long ttyNr = 0;
        if (!(fields >> state >> parent >> group >> session >> ttyNr) || ttyNr == 0 ||
            DecodeTtyNr(ttyNr) != device.st_rdev) {
            return;
        }
        Member member{DeviceUser{pid, ProgramOf(process)}, session, {}};
        if (IsPtySlave(device)) {
            member.descriptors = LookAtDescriptors(process, device);
        }
        members.push_back(std::move(member));
    });
    // The kernel gives a controlling terminal by its number alone; for a pseudo-terminal, what the
    // session's members hold open tells whose it is. A session that holds only another
    // filesystem's is on that one; one that holds none of either is taken to be on ours.
    const auto elsewhere = [&](pid_t session) {
        bool lookalike = false;
        for (const Member& m : members) {
            if (m.session == session) {
                if (m.descriptors.holdsDevice) {
                    return false;
                }
                lookalike = lookalike || m.descriptors.holdsLookalike;
            }
        }
        return lookalike;
    };
    std::optional<DeviceUser> found;
    for (const Member& m : members) {
        if (!elsewhere(m.session) && (!found || m.user.pid == m.session)) {
            found = m.user;
        }
    }
    return found;
}

bool IsKernelConsole(dev_t device, std::string_view active) {
    std::istringstream names{std::string(active)};
    std::vector<std::string> paths{"/dev/console"};
    for (std::string name; names >> name;) {
        paths.push_back("/dev/" + name);
    }
    for (const std::string& path : paths) {
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode) && st.st_rdev == device) {
            return true;
        }
    }
    return false;
}

bool IsKernelConsole(dev_t device) {
    return IsKernelConsole(device, ReadSmall(AT_FDCWD, "/sys/class/tty/console/active"));
}

}  // namespace platform
