// Scans /proc. Processes come and go while we look: every entry that vanishes or cannot be read
// is skipped, never reported.

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <charconv>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "platform/device_users_linux.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

constexpr unsigned kPtySlaveMajor = 136;  // Unix 98 pseudo-terminal slaves

std::optional<pid_t> PidOf(const fs::path& entry) {
    const std::string name = entry.filename().string();
    pid_t pid = 0;
    const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), pid);
    if (ec != std::errc() || end != name.data() + name.size()) {
        return std::nullopt;
    }
    return pid;
}

template <typename Visit>
void ForEachOtherProcess(Visit&& visit) {
    std::error_code ec;
    const pid_t self = ::getpid();
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc", ec)) {
        if (const std::optional<pid_t> pid = PidOf(entry.path()); pid && *pid != self) {
            visit(*pid, entry.path());
        }
    }
}

std::string ProgramOf(const fs::path& process) {
    std::ifstream in(process / "comm");
    std::string name;
    std::getline(in, name);
    return name;
}

// The pseudo-terminal index of a master descriptor (/dev/ptmx), from its fdinfo.
std::optional<unsigned> MasterIndex(const fs::path& process, const std::string& fd) {
    std::ifstream in(process / "fdinfo" / fd);
    std::string line;
    while (std::getline(in, line)) {
        constexpr std::string_view kKey = "tty-index:";
        if (line.starts_with(kKey)) {
            const std::size_t digits = line.find_first_not_of(" \t", kKey.size());
            unsigned index = 0;
            if (digits != std::string::npos &&
                std::from_chars(line.data() + digits, line.data() + line.size(), index).ec ==
                    std::errc()) {
                return index;
            }
            return std::nullopt;
        }
    }
    return std::nullopt;
}

struct Descriptors {
    bool holdsDevice = false;
    bool holdsMaster = false;
};

Descriptors LookAtDescriptors(const fs::path& process, dev_t device) {
    Descriptors found;
    const bool pty = ::major(device) == kPtySlaveMajor;
    std::error_code ec;
    for (const fs::directory_entry& fd : fs::directory_iterator(process / "fd", ec)) {
        struct stat st {};
        if (::stat(fd.path().c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) {
            continue;
        }
        if (st.st_rdev == device) {
            found.holdsDevice = true;
        } else if (pty && fs::read_symlink(fd.path(), ec).filename() == "ptmx") {
            const std::optional<unsigned> index = MasterIndex(process, fd.path().filename());
            found.holdsMaster = found.holdsMaster || index == ::minor(device);
        }
    }
    return found;
}

// The fields of /proc/<pid>/stat after the command name, which may itself hold blanks.
std::istringstream FieldsAfterName(const fs::path& process) {
    std::ifstream in(process / "stat");
    std::string line;
    std::getline(in, line);
    const std::size_t close = line.rfind(')');
    return std::istringstream(close == std::string::npos ? std::string() : line.substr(close + 1));
}

// The kernel's packing of a device number in /proc/<pid>/stat.
dev_t DecodeTtyNr(unsigned long nr) {
    return ::makedev((nr >> 8) & 0xfff, (nr & 0xff) | ((nr >> 12) & 0xfff00));
}

}  // namespace

std::vector<DeviceUser> OtherHoldersOf(dev_t device) {
    std::vector<DeviceUser> holders;
    ForEachOtherProcess([&](pid_t pid, const fs::path& process) {
        const Descriptors d = LookAtDescriptors(process, device);
        if (d.holdsDevice && !d.holdsMaster) {
            holders.push_back(DeviceUser{pid, ProgramOf(process)});
        }
    });
    return holders;
}

std::optional<DeviceUser> SessionOnTerminal(dev_t device) {
    std::optional<DeviceUser> found;
    ForEachOtherProcess([&](pid_t pid, const fs::path& process) {
        std::istringstream fields = FieldsAfterName(process);
        std::string state;
        pid_t parent = 0;
        pid_t group = 0;
        pid_t session = 0;
        unsigned long ttyNr = 0;
        if (!(fields >> state >> parent >> group >> session >> ttyNr) || ttyNr == 0 ||
            DecodeTtyNr(ttyNr) != device) {
            return;
        }
        if (!found || pid == session) {
            found = DeviceUser{pid, ProgramOf(process)};
        }
    });
    return found;
}

}  // namespace platform
