#include "cli_run.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <thread>

#include "support/spawn_program.h"
#include "support/wait_until.h"

namespace clitest {
namespace {

void AppendAvailable(int fd, std::string& text) {
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
}

// in[0] the terminal's device side for the child, in[1] its keyboard side for the test.
void OpenTerminal(int in[2]) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        throw std::system_error(errno, std::generic_category(), "posix_openpt");
    }
    const int device = ::open(::ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (device < 0) {
        throw std::system_error(errno, std::generic_category(), "open pts");
    }
    // What is typed is not echoed: nobody reads the terminal's screen here.
    termios settings{};
    ::tcgetattr(device, &settings);
    settings.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(device, TCSANOW, &settings);
    in[0] = device;
    in[1] = master;
}

}  // namespace

CliRun::CliRun(const std::vector<std::string>& args, const std::filesystem::path& folder,
               Stdin stdinKind) {
    int in[2];
    int out[2];
    int err[2];
    if (stdinKind == Stdin::Terminal) {
        OpenTerminal(in);
    } else if (::pipe2(in, O_CLOEXEC) != 0) {
        throw std::system_error(errno, std::generic_category(), "pipe2");
    }
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
        throw std::system_error(errno, std::generic_category(), "pipe2");
    }
    m_in = platform::UniqueFd(in[1]);
    m_outPipe = platform::UniqueFd(out[0]);
    m_errPipe = platform::UniqueFd(err[0]);
    const platform::UniqueFd inRead(in[0]);
    const platform::UniqueFd outWrite(out[1]);
    const platform::UniqueFd errWrite(err[1]);
    // Only our ends read without blocking; the program gets ordinary descriptors.
    ::fcntl(out[0], F_SETFL, O_NONBLOCK);
    ::fcntl(err[0], F_SETFL, O_NONBLOCK);
    // A program that ends without reading all its input must not kill the test with SIGPIPE.
    ::signal(SIGPIPE, SIG_IGN);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    m_pid = testsupport::SpawnProgram(VELMORA_TAG_PROGRAM, args, actions);
}

CliRun::~CliRun() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
}

void CliRun::Input(std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(m_in.get(), text.data(), text.size());
        if (n <= 0) {
            return;
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
}

void CliRun::CloseInput() {
    m_in.reset();
}

void CliRun::Signal(int signal) const {
    ::kill(m_pid, signal);
}

void CliRun::LimitFileSize(std::uint64_t bytes) const {
    const rlimit limit{bytes, bytes};
    if (::prlimit(m_pid, RLIMIT_FSIZE, &limit, nullptr) != 0) {
        throw std::system_error(errno, std::generic_category(), "prlimit");
    }
}

void CliRun::Collect() {
    AppendAvailable(m_outPipe.get(), m_out);
    AppendAvailable(m_errPipe.get(), m_err);
}

bool CliRun::Await(std::string_view text, std::chrono::milliseconds timeout) {
    std::size_t at = std::string::npos;
    testsupport::WaitUntil(
        [&] {
            Collect();
            at = m_out.find(text, m_searchFrom);
            return at != std::string::npos;
        },
        timeout);
    if (at == std::string::npos) {
        return false;
    }
    m_searchFrom = at + text.size();
    return true;
}

bool CliRun::HasEnded() const {
    siginfo_t info{};
    // WNOWAIT: the child stays for Wait to collect.
    return ::waitid(P_PID, static_cast<id_t>(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == m_pid;
}

std::optional<std::string> CliRun::AwaitQuestion(const std::function<bool()>& stop,
                                                 std::chrono::milliseconds timeout) {
    std::optional<std::string> question;
    testsupport::WaitUntil(
        [&] {
            Collect();
            if (stop && stop()) {
                return true;
            }
            std::size_t end = std::string::npos;
            for (const std::string_view ending : {"q stops.\n", "of this batch:\n"}) {
                const std::size_t at = m_out.find(ending, m_searchFrom);
                if (at != std::string::npos && (end == std::string::npos || at < end)) {
                    end = at + ending.size();
                }
            }
            if (end != std::string::npos) {
                const std::size_t start = m_out.rfind('\n', end - 2);
                question = m_out.substr(start == std::string::npos ? 0 : start + 1,
                                        end - 1 - (start == std::string::npos ? 0 : start + 1));
                m_searchFrom = end;
                return true;
            }
            return HasEnded();
        },
        timeout);
    return question;
}

std::optional<CliRun::Ending> CliRun::Wait(std::chrono::milliseconds timeout) {
    CloseInput();
    int status = 0;
    rusage usage{};
    if (!testsupport::WaitUntil(
            [&] {
                Collect();
                return ::wait4(m_pid, &status, WNOHANG, &usage) == m_pid;
            },
            timeout)) {
        return std::nullopt;
    }
    m_pid = -1;
    Collect();
    Ending ending;
    const auto micros = [](const timeval& t) {
        return std::chrono::seconds(t.tv_sec) + std::chrono::microseconds(t.tv_usec);
    };
    ending.cpu = micros(usage.ru_utime) + micros(usage.ru_stime);
    if (WIFEXITED(status)) {
        ending.status = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        ending.signal = WTERMSIG(status);
    }
    return ending;
}

RunResult RunToEnd(const std::vector<std::string>& args, const std::filesystem::path& folder,
                   std::string_view input) {
    CliRun run(args, folder);
    run.Input(input);
    const std::optional<CliRun::Ending> ending = run.Wait();
    return {ending.value_or(CliRun::Ending{}), run.Output(), run.Errors()};
}

}  // namespace clitest
