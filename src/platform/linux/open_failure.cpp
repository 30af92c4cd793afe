// Open failures on Linux: the device map, device nodes, groups and the programs known to grab
// serial adapters. Everything is looked up again at the time of telling, since the failure itself
// carries only a kind and the OS's words.

#include <grp.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "platform/linux/device_map.h"
#include "platform/linux/device_users.h"
#include "platform/open_failure.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

// What a port name stands for: the map entry (or fallback device) and, for a link, its target.
struct PortPlace {
    std::string port;
    fs::path entry;
    fs::path device;  // where the entry leads; the entry itself when it is no link
    bool mapped = false;

    // "COM3 (/dev/ttyUSB0)"
    std::string Named() const { return port + " (" + device.string() + ")"; }
};

PortPlace Locate(std::string_view portName) {
    PortPlace place;
    place.port = portName;
    place.entry = ResolveDevicePath(portName).value_or(fs::path());
    place.device = place.entry;
    std::error_code ec;
    place.mapped = place.entry.parent_path() == DeviceMapFolder();
    if (fs::is_symlink(place.entry, ec)) {
        const fs::path target = fs::read_symlink(place.entry, ec);
        place.device = target.is_absolute() ? target : place.entry.parent_path() / target;
    }
    return place;
}

// Serial devices that are plugged in now, stable names first.
std::vector<fs::path> PresentSerialDevices() {
    std::vector<fs::path> found;
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator("/dev/serial/by-id", ec)) {
        found.push_back(e.path());
    }
    std::vector<fs::path> plain;
    for (const fs::directory_entry& e : fs::directory_iterator("/dev", ec)) {
        const std::string name = e.path().filename().string();
        if (name.starts_with("ttyUSB") || name.starts_with("ttyACM")) {
            plain.push_back(e.path());
        }
    }
    std::sort(found.begin(), found.end());
    std::sort(plain.begin(), plain.end());
    found.insert(found.end(), plain.begin(), plain.end());
    return found;
}

std::string NotConnected(const PortPlace& place) {
    std::string text = place.port + " is not connected to a device.";
    if (place.mapped) {
        text += "\nIts entry in the device map points at " + place.device.string() +
                ", which is not there.";
    }
    const std::vector<fs::path> present = PresentSerialDevices();
    if (present.empty()) {
        return text + "\nNo USB serial device is plugged in.";
    }
    text += "\n\nSerial devices on this computer:";
    for (const fs::path& device : present) {
        text += "\n    " + device.string();
    }
    const fs::path folder = DeviceMapFolder();
    return text + "\n\nTo use the first one as " + place.port + ":\n    mkdir -p " +
           folder.string() + " && ln -sfn " + present.front().string() + " " +
           (folder / place.port).string();
}

std::string NoPermission(const PortPlace& place) {
    struct stat st {};
    if (::stat(place.device.c_str(), &st) != 0) {
        return "You may not look into the device map folder " + DeviceMapFolder().string() +
               ", so " + place.port + " cannot be found.";
    }
    const group* owners = ::getgrgid(st.st_gid);
    const bool groupMayUse = (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    if (owners == nullptr || st.st_gid == 0 || !groupMayUse) {
        return "You may not open " + place.Named() + ". Ask your administrator for access.";
    }
    const std::string name = owners->gr_name;
    return "You may not open " + place.Named() + ": only members of the group " + name +
           " may.\nJoin it, then log out and in again:\n    sudo adduser $USER " + name;
}

// How to get a known grabber of serial adapters out of the way.
std::string HowToStop(const DeviceUser& user) {
    if (user.program == "ModemManager") {
        return "ModemManager takes new serial adapters for modems. Stop it with:\n    sudo "
               "systemctl stop ModemManager";
    }
    if (user.program == "brltty") {
        return "brltty takes new serial adapters for Braille displays. Stop it with:\n    sudo "
               "systemctl stop brltty\nor remove it: sudo apt remove brltty";
    }
    if (user.program == "Velmora") {
        return "Press CLOSE in the other Velmora window.";
    }
    return "Close it, or end it with:\n    kill " + std::to_string(user.pid);
}

std::string InUse(const PortPlace& place) {
    std::string text = place.Named() + " is in use by another program";
    struct stat st {};
    std::vector<DeviceUser> holders;
    if (::stat(place.device.c_str(), &st) == 0 && S_ISCHR(st.st_mode)) {
        holders = OtherHoldersOf(st);
    }
    if (holders.empty()) {
        return text + ".\nClose the program that uses it.";
    }
    const DeviceUser& first = holders.front();
    return text + ": " + first.program + " (process " + std::to_string(first.pid) + ").\n" +
           HowToStop(first);
}

std::string SessionTerminal(const PortPlace& place) {
    struct stat st {};
    std::optional<DeviceUser> session;
    if (::stat(place.device.c_str(), &st) == 0) {
        session = SessionOnTerminal(st);
    }
    std::string text =
        place.Named() + " is the terminal of " +
        (session ? session->program + " (process " + std::to_string(session->pid) + ")"
                 : std::string("a running session")) +
        ", not a tag reader. It is left alone.";
    if (place.mapped) {
        return text + "\nIf its entry in the device map is stale, remove it:\n    rm " +
               place.entry.string();
    }
    return text + "\nStop the login or program on it first.";
}

std::string KernelConsole(const PortPlace& place) {
    const fs::path entry = DeviceMapFolder() / place.port;
    return place.Named() +
           " is this computer's console, where the system writes its messages, not a tag "
           "reader. It is left alone.\nMap " +
           place.port + " to the tag reader instead, for example:\n    mkdir -p " +
           DeviceMapFolder().string() + " && ln -sfn /dev/serial/by-id/usb-… " + entry.string();
}

}  // namespace

std::string DescribeOpenFailure(std::string_view portName, const SerialError& error) {
    const PortPlace place = Locate(portName);
    switch (error.kind) {
        case SerialErrorKind::NotFound:
            return NotConnected(place);
        case SerialErrorKind::Permission:
            return NoPermission(place);
        case SerialErrorKind::Busy:
            return InUse(place);
        case SerialErrorKind::InSession:
            return SessionTerminal(place);
        case SerialErrorKind::KernelConsole:
            return KernelConsole(place);
        case SerialErrorKind::NotATerminal:
            return place.Named() + " is not a serial device. Point " + place.port +
                   " at one in the device map " + DeviceMapFolder().string() + ".";
        case SerialErrorKind::BadSettings:
            return place.Named() +
                   " refused the line settings: it is no serial port, or not one that can run "
                   "at this speed.";
        default:
            return place.port + " could not be opened: " + error.text;
    }
}

}  // namespace platform
