#include "support/child_program.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "support/spawn_program.h"
#include "support/wait_until.h"

namespace testsupport {

ChildProgram::ChildProgram(const std::vector<std::string>& argv) {
    int in[2];
    int out[2];
    int err[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 ||
        ::pipe2(err, O_CLOEXEC) != 0) {
        throw std::system_error(errno, std::generic_category(), "pipe2");
    }
    // Only our end reads without blocking; the program keeps an ordinary stdout.
    ::fcntl(out[0], F_SETFL, O_NONBLOCK);
    m_in = platform::UniqueFd(in[1]);
    m_out = platform::UniqueFd(out[0]);
    m_err = platform::UniqueFd(err[0]);
    const platform::UniqueFd inRead(in[0]);
    const platform::UniqueFd outWrite(out[1]);
    const platform::UniqueFd errWrite(err[1]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    m_pid = SpawnProgram(argv.front(), std::vector(argv.begin() + 1, argv.end()), actions);
}

ChildProgram::~ChildProgram() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
}

void ChildProgram::Input(std::string_view text) {
    const ssize_t n = ::write(m_in.get(), text.data(), text.size());
    if (n != static_cast<ssize_t>(text.size())) {
        throw std::system_error(errno, std::generic_category(), "write to the program");
    }
}

std::optional<std::string> ChildProgram::ReadLine(std::chrono::milliseconds timeout) {
    const bool complete = WaitUntil(
        [&] {
            char buffer[256];
            const ssize_t n = ::read(m_out.get(), buffer, sizeof buffer);
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

void ChildProgram::Signal(int signal) const {
    ::kill(m_pid, signal);
}

std::optional<int> ChildProgram::Exit(std::chrono::milliseconds timeout) {
    int status = 0;
    if (!WaitUntil([&] { return ::waitpid(m_pid, &status, WNOHANG) == m_pid; }, timeout)) {
        return std::nullopt;
    }
    m_pid = -1;
    return WIFEXITED(status) ? std::optional<int>(WEXITSTATUS(status)) : std::nullopt;
}

std::string ChildProgram::Errors() const {
    std::string text;
    char buffer[256];
    ssize_t n;
    while ((n = ::read(m_err.get(), buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
}

}  // namespace testsupport
