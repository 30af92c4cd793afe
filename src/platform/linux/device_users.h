#pragma once
// Who else uses a character device, as far as /proc lets us see: the processes that hold it open
// and the session whose controlling terminal it is. Linux only; the serial backend and the
// wording of open failures use it.
//
// Another user's descriptors are hidden from us unless we are root, so an empty answer means
// "nobody we can see". Controlling terminals are visible for every process.

#include <sys/stat.h>
#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct DeviceUser {
    pid_t pid = 0;
    std::string program;  // the process's command name, as `ps` shows it
};

// `device` is the stat of the device's node, or of a descriptor open on it: its number, and for a
// pseudo-terminal also its devpts filesystem, since another one (a clean root's, a container's)
// has a terminal of the same number.

// Processes other than this one that hold `device` open. A process that also holds the master
// side of the same pseudo-terminal is the far side playing the device, not a rival, and is left
// out.
std::vector<DeviceUser> OtherHoldersOf(const struct stat& device);

// Whether `device` is where the kernel writes its console: /dev/console, or one of the terminals
// that /sys/class/tty/console/active names (often /dev/ttyS0 on servers and virtual machines,
// which is what COM1 means when it is not mapped). Its bytes are the kernel's messages and
// perhaps a login prompt, never a tag reader's.
bool IsKernelConsole(dev_t device);
// The same against `active`, a list of terminal names under /dev as that file gives it.
bool IsKernelConsole(dev_t device, std::string_view active);

// A process whose controlling terminal is `device` (the session's leader when it can be found),
// or nothing when it is no session's terminal. A session whose members hold open a
// pseudo-terminal of that number only in another filesystem is not on it; one whose members'
// descriptors we may not see, or that hold none, is taken to be.
std::optional<DeviceUser> SessionOnTerminal(const struct stat& device);

}  // namespace platform
