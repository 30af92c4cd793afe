// Devices that vanish or cannot be had, seen from the window: a vanished device is a silent one
// until CLOSE, and a port that cannot be had costs one failed OPEN and nothing else.

#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>

#include <QApplication>

#include "dialog_fixture.h"
#include "platform/linux/device_users.h"
#include "platform/serial_device.h"
#include "res/resource.h"
#include "simreader/reply.h"
#include "support/process_counts.h"
#include "support/wait_until.h"

extern char** environ;

namespace faulttest {
namespace {

using namespace std::chrono_literals;
using platform::SerialErrorKind;

constexpr uid_t kNobody = 65534;

// The exit status of a child, or -1 when it had to be killed after `timeout`.
int WaitForChild(pid_t pid, std::chrono::milliseconds timeout = 10s) {
    int status = 0;
    if (!testsupport::WaitUntil([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, timeout)) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A process of its own that takes hold of something until destroyed. `hold` runs in the child:
// it takes hold, calls `held` with whether it could, and lets go when `held` returns.
class HoldingChild {
  public:
    using Hold = std::function<void(const std::function<void(bool)>& held)>;

    explicit HoldingChild(const Hold& hold) {
        int ready[2];
        int release[2];
        if (::pipe2(ready, O_CLOEXEC) != 0 || ::pipe2(release, O_CLOEXEC) != 0) {
            return;
        }
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(release[1]);
            hold([&](bool took) {
                const char answer = took ? 'y' : 'n';
                [[maybe_unused]] ssize_t n = ::write(ready[1], &answer, 1);
                char ignored;
                n = ::read(release[0], &ignored, 1);  // returns when the parent lets go
            });
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        m_release = release[1];
        char answer = 'n';
        m_holds = ::read(ready[0], &answer, 1) == 1 && answer == 'y';
        ::close(ready[0]);
    }
    ~HoldingChild() {
        ::close(m_release);
        if (m_pid > 0) {
            WaitForChild(m_pid);
        }
    }
    bool Holds() const { return m_holds; }

  private:
    pid_t m_pid = -1;
    int m_release = -1;
    bool m_holds = false;
};

// Another copy of the program holding a port.
void OpenInAnotherCopy(const std::string& portName, const std::function<void(bool)>& held) {
    CCommChannel channel;
    held(channel.Open({portName, 57600, 8, 2, 0}) == 1);
    channel.Close();
}

// A session of its own whose controlling terminal is `device`, as a shell's is.
HoldingChild::Hold SessionOn(const std::string& device) {
    return [device](const std::function<void(bool)>& held) {
        // A session leader that opens a terminal without O_NOCTTY takes it as its own.
        held(::setsid() > 0 && ::open(device.c_str(), O_RDWR) >= 0);
    };
}

// A mount namespace of the calling process's own, where its mounts change nothing outside: as
// root straight away, else inside a user namespace that maps us as its root. The caller must
// have no other threads, as in a child just forked.
bool OwnMountNamespace() {
    if (::geteuid() == 0) {
        if (::unshare(CLONE_NEWNS) != 0) {
            return false;
        }
    } else {
        const uid_t uid = ::geteuid();
        const gid_t gid = ::getegid();
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
            return false;
        }
        std::ofstream("/proc/self/setgroups") << "deny";
        std::ofstream("/proc/self/uid_map") << "0 " << uid << " 1";
        std::ofstream("/proc/self/gid_map") << "0 " << gid << " 1";
    }
    return ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

// A pseudo-terminal filesystem of its own at `mountPoint`, seen only by the caller and its
// children, as a clean root or a container has.
bool MountOwnPtyFilesystem(const std::filesystem::path& mountPoint) {
    return OwnMountNamespace() &&
           ::mount("devpts", mountPoint.c_str(), "devpts", 0, "newinstance,ptmxmode=0666") == 0;
}

// Whether this machine lets a test have a pseudo-terminal filesystem of its own.
bool MayMountOwnPtyFilesystem(const std::filesystem::path& mountPoint) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::_exit(MountOwnPtyFilesystem(mountPoint) ? 0 : 1);
    }
    return pid > 0 && WaitForChild(pid) == 0;
}

// As apt-get runs dpkg in a clean root: a session whose controlling terminal has the number of
// `device` (one of /dev/pts) but is the terminal of the same index in a pseudo-terminal
// filesystem of its own, mounted at `mountPoint`. The child holds the far sides up to that index;
// a session it starts holds the terminal open and has it as its own.
HoldingChild::Hold LookalikeSessionOf(const std::string& device,
                                      const std::filesystem::path& mountPoint) {
    return [device, mountPoint](const std::function<void(bool)>& held) {
        struct stat ours {};
        if (::stat(device.c_str(), &ours) != 0 || !MountOwnPtyFilesystem(mountPoint)) {
            held(false);
            return;
        }
        std::string lookalike;
        for (unsigned index = 0; lookalike.empty() && index <= ::minor(ours.st_rdev);) {
            const int master = ::open((mountPoint / "ptmx").c_str(), O_RDWR | O_NOCTTY);
            if (master < 0 || ::unlockpt(master) != 0 || ::ioctl(master, TIOCGPTN, &index) != 0) {
                break;
            }
            if (index == ::minor(ours.st_rdev)) {
                lookalike = (mountPoint / std::to_string(index)).string();
            }
        }
        int ready[2];
        int release[2];
        if (lookalike.empty() || ::pipe(ready) != 0 || ::pipe(release) != 0) {
            held(false);
            return;
        }
        const pid_t session = ::fork();
        if (session == 0) {
            // As dpkg, which holds the terminal and nothing of ours: a fork keeps every
            // descriptor of the test, the reader's sides of our terminal among them.
            ::dup2(release[0], STDIN_FILENO);
            ::dup2(ready[1], STDOUT_FILENO);
            ::close_range(STDERR_FILENO + 1, ~0U, 0);
            // A session leader that opens a terminal without O_NOCTTY takes it as its own.
            const int terminal = ::setsid() > 0 ? ::open(lookalike.c_str(), O_RDWR) : -1;
            struct stat st {};
            pid_t owner = 0;
            const bool took = terminal >= 0 && ::ioctl(terminal, TIOCGSID, &owner) == 0 &&
                              owner == ::getpid() && ::fstat(terminal, &st) == 0 &&
                              st.st_rdev == ours.st_rdev && st.st_dev != ours.st_dev;
            char answer = took ? 'y' : 'n';
            [[maybe_unused]] ssize_t n = ::write(STDOUT_FILENO, &answer, 1);
            n = ::read(STDIN_FILENO, &answer, 1);  // returns when the child lets go
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        char answer = 'n';
        held(session > 0 && ::read(ready[0], &answer, 1) == 1 && answer == 'y');
        ::close(release[1]);
        if (session > 0) {
            WaitForChild(session);
        }
    };
}

// Another program that opened a device first, without any lock, as a terminal program does: a
// `sleep` with the device as its standard input, until destroyed.
class PlainHolder {
  public:
    explicit PlainHolder(const std::string& device) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, device.c_str(),
                                         O_RDWR | O_NOCTTY | O_NONBLOCK, 0);
        char sleep[] = "sleep";
        char seconds[] = "60";
        char* argv[] = {sleep, seconds, nullptr};
        // Returns once the program runs, with the device already open.
        if (::posix_spawnp(&m_pid, "sleep", &actions, nullptr, argv, environ) != 0) {
            m_pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    ~PlainHolder() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    pid_t Pid() const { return m_pid; }

  private:
    pid_t m_pid = -1;
};

// Runs `attempt` as an ordinary user: in a child that becomes nobody when we are root (who may
// open anything), else right here. Returns what it reported; empty when all was well.
std::string AsOrdinaryUser(const std::function<std::string()>& attempt) {
    if (::geteuid() != 0) {
        return attempt();
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
            ::_exit(2);
        }
        const std::string faults = attempt();
        if (!faults.empty()) {
            std::fprintf(stderr, "as nobody: %s\n", faults.c_str());
        }
        ::_exit(faults.empty() ? 0 : 1);
    }
    const int status = WaitForChild(pid);
    return status == 0 ? std::string() : "child as nobody ended with " + std::to_string(status);
}

class DeviceFaultTest : public testsupport::DialogTest {
  protected:
    // A reader holding `tag` behind COM1, opened through the dialog.
    void OpenReader(const sim::TagState& tag) {
        StartReader("COM1").SetTag(tag);
        OpenPort(0);
        ASSERT_EQ(m_dlg->m_comm.m_bConnected, 1) << m_dlg->m_comm.m_openError.text;
    }

    // Presses OPEN on COM1, which must fail for `kind` on the device the map names (not on a
    // fallback elsewhere) and say so in one box that holds each of `reason`. Returns what went
    // otherwise, empty when nothing: plain text, so that a child process can report it too.
    std::string FailedOpenFaults(SerialErrorKind kind, const std::vector<std::string>& reason) {
        m_tones->Take();
        const std::string status = StatusText();
        const std::size_t boxes = m_boxes->Texts().size();
        OpenPort(0);
        const CCommChannel& comm = m_dlg->m_comm;
        std::string faults;
        const auto check = [&faults](bool holds, const std::string& what) {
            faults += holds ? "" : what + "; ";
        };
        check(comm.m_bConnected == 0, "the port opened");
        check(comm.m_openError.kind == kind &&
                  comm.m_openError.text.find(m_config->Path().string()) != std::string::npos,
              "failed otherwise: " + comm.m_openError.text);
        check(StatusText() == status + "Port Open Error - COM1 !!", "status: " + StatusText());
        check(m_tones->Take() == std::vector<testsupport::RecordingTones::Tone>{{550, 500}},
              "not the one long low tone");
        const std::vector<std::string> texts = m_boxes->Texts();
        check(texts.size() == boxes + 1, "not one box");
        for (const std::string& part : reason) {
            check(texts.size() > boxes && texts.back().find(part) != std::string::npos,
                  "box without \"" + part + "\": " + (texts.empty() ? "" : texts.back()));
        }
        check(TagControlsDisabled(), "tag controls enabled");
        check(PortInfo().empty(), "port_info.txt written");
        return faults;
    }
};

// The far side hangs up, inside a READ's wait or between operations: the READ ends as with a
// silent device, then the port closes as CLOSE closes it and a box says why; the watch thread
// ends without spinning, and OPEN works again once a device is back behind the port.
TEST_F(DeviceFaultTest, VanishedDeviceClosesThePortAndSaysSoAndOpenRecovers) {
    for (const bool duringRead : {true, false}) {
        SCOPED_TRACE(duringRead ? "during a READ's wait" : "while idle");
        OpenReader({"home.kr", "T1", false});
        const std::string status = StatusText();
        const std::size_t boxes = m_boxes->Texts().size();
        const std::uint64_t wakeups = platform::SerialCalls().waitWakeups;
        if (duringRead) {
            m_reader->Script(sim::Silence().HangingUpAfter(0));
            Click(IDC_BTN_READ);
            EXPECT_EQ(m_dlg->m_strHomepage, "");
            EXPECT_EQ(m_dlg->m_strTableInfo, "");
        } else {
            m_reader->HangUp();
            EXPECT_TRUE(testsupport::WaitUntil([&] {
                QApplication::processEvents();
                return m_dlg->m_comm.m_bConnected == 0;
            }));
        }
        // The reader notes its hang-up only after the line is down, so the window may be quicker.
        EXPECT_TRUE(testsupport::WaitUntil([&] { return m_reader->IsHungUp(); }));
        EXPECT_EQ(m_dlg->m_comm.m_bConnected, 0);
        EXPECT_FALSE(m_dlg->m_comm.m_hComm.IsOpen());
        EXPECT_EQ(StatusText(), status + "Close Port COM1 !!");
        ASSERT_EQ(m_boxes->Texts().size(), boxes + 1);
        EXPECT_EQ(m_boxes->Texts().back(),
                  "The device on COM1 is gone (unplugged or hung up).\nThe port is closed; "
                  "press OPEN once the device is back.");
        EXPECT_TRUE(Item(IDC_COMBO_PORT)->isEnabled());
        EXPECT_TRUE(TagControlsDisabled());
        // A blocked thread wakes once for the hang-up; a spinning one thousands of times a second.
        EXPECT_LE(platform::SerialCalls().waitWakeups - wakeups, 4u);
        EXPECT_TRUE(testsupport::WatchThreadsComeTo(0));
        EXPECT_EQ(m_dlg->m_comm.m_nWatchExitCode.load(), 1);
        // A late notice changes nothing more.
        QApplication::processEvents();
        EXPECT_EQ(m_boxes->Texts().size(), boxes + 1);

        OpenReader({"back.kr", "T3", false});
        Click(IDC_BTN_READ);
        EXPECT_EQ(m_dlg->m_strHomepage, "back.kr");
        EXPECT_EQ(m_dlg->m_strTableInfo, "T3");
        Click(IDC_BTN_CLOSE);
    }
}

TEST_F(DeviceFaultTest, PortThatCannotBeHadCostsOneFailedOpenAndSaysWhy) {
    sim::PseudoTerminal device;
    device.LinkAs("COM1");
    const std::string pts = device.DevicePath();
    // The map is the user's own: a child that has become nobody may look into it.
    std::filesystem::permissions(m_config->Path(), std::filesystem::perms::others_exec,
                                 std::filesystem::perm_options::add);
    // Tries OPEN as an ordinary user while `path` has `mode` (root keeps the owner's rights,
    // an ordinary user loses them) and, when `group` is given and we are root, that group.
    const auto closed = [&](const std::filesystem::path& path, mode_t mode, const group* owners,
                            const std::vector<std::string>& reason) {
        struct stat was {};
        ::stat(path.c_str(), &was);
        const bool root = ::geteuid() == 0;
        if (owners != nullptr && root) {
            [[maybe_unused]] const int rc = ::chown(path.c_str(), -1, owners->gr_gid);
        }
        ::chmod(path.c_str(), mode | (root ? 0700 : 0));
        const std::string faults =
            AsOrdinaryUser([&] { return FailedOpenFaults(SerialErrorKind::Permission, reason); });
        [[maybe_unused]] const int rc = ::chown(path.c_str(), -1, was.st_gid);
        ::chmod(path.c_str(), was.st_mode & 07777);
        return faults;
    };
    // The group the device is given: dialout where we can hand it out, else our own.
    const group* dialout = ::geteuid() == 0 ? ::getgrnam("dialout") : ::getgrgid(::getegid());
    const std::string groupName = dialout != nullptr ? dialout->gr_name : "?";
    const struct {
        const char* name;
        std::function<std::string()> attempt;
    } rows[] = {
        {"held by another copy of the program",
         [&] {
             const HoldingChild holder([](const auto& held) { OpenInAnotherCopy("COM1", held); });
             return holder.Holds()
                        ? FailedOpenFaults(SerialErrorKind::Busy,
                                           {"COM1 (" + pts + ") is in use by another program"})
                        : "the holder could not open the port";
         }},
        {"opened first by a program that takes no lock",
         [&] {
             const PlainHolder holder(pts);
             const std::string pid = std::to_string(holder.Pid());
             return FailedOpenFaults(
                 SerialErrorKind::Busy,
                 {"COM1 (" + pts + ") is in use by another program: sleep (process " + pid + ")",
                  "kill " + pid});
         }},
        {"a stale link to somebody's terminal",
         [&] {
             const HoldingChild session(SessionOn(pts));
             const termios before = device.SlaveSettings();
             const std::string faults =
                 session.Holds()
                     ? FailedOpenFaults(SerialErrorKind::InSession,
                                        {"COM1 (" + pts + ") is the terminal of ",
                                         "not a tag reader", "rm " + device.Link().string()})
                     : "no session took the terminal";
             const termios after = device.SlaveSettings();
             const bool untouched = before.c_lflag == after.c_lflag &&
                                    before.c_iflag == after.c_iflag &&
                                    before.c_cflag == after.c_cflag;
             return faults + (untouched ? "" : "the terminal's settings changed");
         }},
        {"no permission on the device",
         [&] {
             return closed(pts, 0, nullptr,
                           {"You may not open COM1 (" + pts + ")", "Ask your administrator"});
         }},
        {"only a group may use the device",
         [&] {
             return closed(pts, 0060, dialout,
                           {"only members of the group " + groupName,
                            "sudo adduser $USER " + groupName, "log out and in again"});
         }},
        // Not a quiet fallback to /dev/ttyS0, which would be another device.
        {"no permission on the device map",
         [&] {
             return closed(device.Link().parent_path(), 0, nullptr,
                           {"may not look into the device map folder"});
         }},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.attempt(), "") << row.name;
    }
    // None of the attempts disturbed the device: now that it may be had, it opens.
    OpenPort(0);
    EXPECT_EQ(m_dlg->m_comm.m_bConnected, 1) << m_dlg->m_comm.m_openError.text;
}

// apt-get in a clean root, or a container, has a pseudo-terminal filesystem of its own, whose
// pts/N has the number of our /dev/pts/N. Its session and the programs that hold it open are
// another terminal's: the reader behind COM1 opens as if they were not there.
TEST_F(DeviceFaultTest, TerminalOfTheSameNumberInAnotherPtyFilesystemIsNoRival) {
    const std::filesystem::path mountPoint = m_config->Path() / "pts";
    std::filesystem::create_directories(mountPoint);
    if (!MayMountOwnPtyFilesystem(mountPoint)) {
        GTEST_SKIP() << "this machine lets no test mount a pseudo-terminal filesystem";
    }
    // A bare terminal: no reader's thread may hold a lock when the child is forked.
    sim::PseudoTerminal device;
    device.LinkAs("COM1");
    const HoldingChild lookalike(LookalikeSessionOf(device.DevicePath(), mountPoint));
    ASSERT_TRUE(lookalike.Holds()) << "no session took the lookalike of " << device.DevicePath();
    OpenPort(0);
    EXPECT_EQ(m_dlg->m_comm.m_bConnected, 1) << m_dlg->m_comm.m_openError.text;
    EXPECT_TRUE(m_boxes->Texts().empty());
    EXPECT_TRUE(TagControlsEnabled());
    Click(IDC_BTN_CLOSE);
}

// The kernel's console is refused like a terminal in use: where the system writes its messages
// (often ttyS0, which an unmapped COM1 means) no tag reader answers.
TEST(KernelConsole, IsToldByTheDeviceTheConsoleListNames) {
    sim::PseudoTerminal device;
    struct stat st {};
    ASSERT_EQ(::stat(device.DevicePath().c_str(), &st), 0);
    const std::string name = device.DevicePath().substr(std::string("/dev/").size());
    EXPECT_TRUE(platform::IsKernelConsole(st.st_rdev, "tty0 " + name + "\n"));
    EXPECT_FALSE(platform::IsKernelConsole(st.st_rdev, "tty0 ttyS0\n"));
    EXPECT_FALSE(platform::IsKernelConsole(st.st_rdev, ""));
    struct stat console {};
    if (::stat("/dev/console", &console) == 0) {
        EXPECT_TRUE(platform::IsKernelConsole(console.st_rdev, ""));
    }
}

}  // namespace
}  // namespace faulttest
