// The velmora-simreader program as an operator runs it: started, used through its port, stopped.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <regex>

#include "platform/serial_device.h"
#include "sim_test_support.h"

extern char** environ;

namespace simtest {
namespace {

class Program {
  public:
    explicit Program(const std::vector<std::string>& options) {
        int out[2];
        int err[2];
        if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
            throw std::system_error(errno, std::generic_category(), "pipe2");
        }
        // Only our end reads without blocking; the program keeps an ordinary stdout.
        ::fcntl(out[0], F_SETFL, O_NONBLOCK);
        m_out = sim::UniqueFd(out[0]);
        m_err = sim::UniqueFd(err[0]);
        const sim::UniqueFd outWrite(out[1]);
        const sim::UniqueFd errWrite(err[1]);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
        std::vector<std::string> args{SIMREADER_PROGRAM};
        args.insert(args.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        const int rc = posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) {
            throw std::system_error(rc, std::generic_category(), "posix_spawn");
        }
    }

    ~Program() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }

    // The next line of standard output, without its line end; nothing after the timeout.
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout) {
        const bool complete = WaitUntil(
            [&] {
                char buffer[256];
                const ssize_t n = ::read(m_out.Get(), buffer, sizeof buffer);
                if (n > 0) {
                    m_pending.append(buffer, static_cast<std::size_t>(n));
                }
                return m_pending.find('\n') != std::string::npos;
            },
            timeout);
        if (!complete) {
            return std::nullopt;
        }
        const std::size_t end = m_pending.find('\n');
        std::string line = m_pending.substr(0, end);
        m_pending.erase(0, end + 1);
        return line;
    }

    void Signal(int signal) const { ::kill(m_pid, signal); }

    // The exit code, or nothing when the program did not exit normally within the timeout.
    std::optional<int> Exit(std::chrono::milliseconds timeout) {
        int status = 0;
        if (!WaitUntil([&] { return ::waitpid(m_pid, &status, WNOHANG) == m_pid; }, timeout)) {
            return std::nullopt;
        }
        m_pid = -1;
        return WIFEXITED(status) ? std::optional<int>(WEXITSTATUS(status)) : std::nullopt;
    }

    // Standard error so far; call after the program has ended.
    std::string Errors() const {
        std::string text;
        char buffer[256];
        ssize_t n;
        while ((n = ::read(m_err.Get(), buffer, sizeof buffer)) > 0) {
            text.append(buffer, static_cast<std::size_t>(n));
        }
        return text;
    }

  private:
    pid_t m_pid = -1;
    sim::UniqueFd m_out;
    sim::UniqueFd m_err;
    std::string m_pending;
};

// Reads "Simulated tag reader serving COMn (/dev/pts/N)" and returns COMn and the device.
std::pair<std::string, std::string> ServingLine(Program& program) {
    const std::optional<std::string> line = program.ReadLine(5s);
    std::smatch m;
    if (!line ||
        !std::regex_match(
            *line, m, std::regex(R"(Simulated tag reader serving (COM\d+) \((/dev/pts/\d+)\))"))) {
        ADD_FAILURE() << "first line: " << line.value_or("(none)");
        return {};
    }
    return {m[1], m[2]};
}

class SimReaderProgram : public SimReaderTest {};

void MakeEntry(const std::filesystem::path& entry, const std::filesystem::path& target) {
    std::filesystem::create_directories(entry.parent_path());
    std::filesystem::create_symlink(target, entry);
}

TEST_F(SimReaderProgram, ServesItsPortUntilStopped) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        Program program(
            {"--port", "COM4", "--homepage", "abc", "--table-info", "START", "--verbose"});
        const auto [port, device] = ServingLine(program);
        ASSERT_EQ(port, "COM4");
        const std::filesystem::path link = MapFolder() / "COM4";
        EXPECT_EQ(std::filesystem::read_symlink(link), device);

        FarSide far(link.string());
        far.Send("\x01R\x04");
        EXPECT_EQ(far.Read(9, 2s), "abc,START");
        EXPECT_EQ(program.ReadLine(2s), R"(frame "\x01R\x04" -> "abc,START")");

        program.Signal(signal);
        EXPECT_EQ(program.Exit(2s), 0);
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
    }
}

// The program keeps the terminal's far end open to see each hang-up; that does not make it a
// rival that holds the port.
TEST_F(SimReaderProgram, ItsPortOpensExclusively) {
    Program program({"--port", "COM2"});
    ASSERT_EQ(ServingLine(program).first, "COM2");
    platform::SerialPort port;
    EXPECT_FALSE(port.Open("COM2").Failed()) << port.Open("COM2").text;
    platform::SerialPort second;
    EXPECT_EQ(second.Open("COM2").kind, platform::SerialErrorKind::Busy);
    port.Close();
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Exit(2s), 0);
}

// A link to a vanished terminal is what a killed reader leaves; the number may be handed to
// somebody's shell next, so it goes. A link to a vanished adapter is the operator's and stays.
TEST_F(SimReaderProgram, TakesTheFirstFreePortAfterClearingDeadTerminalLinks) {
    MakeEntry(MapFolder() / "COM1", "/dev/null");
    MakeEntry(MapFolder() / "COM2", "/dev/pts/999999");
    MakeEntry(MapFolder() / "COM3", "/dev/ttyUSB99");
    Program program({});
    EXPECT_EQ(ServingLine(program).first, "COM2");
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Exit(2s), 0);
    EXPECT_NE(program.Errors().find("removed COM2 -> /dev/pts/999999"), std::string::npos);
    EXPECT_EQ(std::filesystem::read_symlink(MapFolder() / "COM1"), "/dev/null");
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(MapFolder() / "COM2")));
    EXPECT_EQ(std::filesystem::read_symlink(MapFolder() / "COM3"), "/dev/ttyUSB99");
}

TEST_F(SimReaderProgram, ReplacesAnotherMappingOnlyWhenForced) {
    const std::filesystem::path entry = MapFolder() / "COM1";
    MakeEntry(entry, "/dev/ttyUSB0");
    {
        Program refused({"--port", "COM1"});
        EXPECT_EQ(refused.Exit(2s), 1);
        EXPECT_NE(refused.Errors().find("COM1"), std::string::npos);
        EXPECT_EQ(std::filesystem::read_symlink(entry), "/dev/ttyUSB0");
    }
    Program forced({"--port", "COM1", "--force"});
    const auto [port, device] = ServingLine(forced);
    EXPECT_EQ(port, "COM1");
    EXPECT_EQ(std::filesystem::read_symlink(entry), device);
    forced.Signal(SIGTERM);
    EXPECT_EQ(forced.Exit(2s), 0);
}

TEST_F(SimReaderProgram, RejectsBadOptions) {
    const std::vector<std::vector<std::string>> cases = {
        {"--bogus"},        {"--port"},  {"--port", "COM0"}, {"--port", "ttyS0"},
        {"--port", "com1"}, {"--force"}, {"--homepage"},
    };
    for (const std::vector<std::string>& options : cases) {
        SCOPED_TRACE(testing::PrintToString(options));
        Program program(options);
        EXPECT_EQ(program.Exit(2s), 2);
        EXPECT_NE(program.Errors(), "");
        EXPECT_FALSE(std::filesystem::exists(MapFolder()));
    }
}

}  // namespace
}  // namespace simtest
