#pragma once
// velmora-tag run as a script or an operator runs it: a child process in a working folder of the
// test's choosing, with its standard input, output and error on pipes.

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/unique_fd.h"

namespace clitest {

using namespace std::chrono_literals;

class CliRun {
  public:
    struct Ending {
        std::optional<int> status;         // the exit status, when it exited
        int signal = 0;                    // the signal that ended it, when one did
        std::chrono::microseconds cpu{0};  // user and system time it used
    };

    enum class Stdin { Pipe, Terminal };
    // Starts velmora-tag with `args` in `folder`, with the test's environment. With Terminal its
    // standard input is a pseudo-terminal that Input types into, as an operator's keyboard.
    CliRun(const std::vector<std::string>& args, const std::filesystem::path& folder,
           Stdin in = Stdin::Pipe);
    ~CliRun();  // kills a child still running
    CliRun(const CliRun&) = delete;
    CliRun& operator=(const CliRun&) = delete;

    void Input(std::string_view text);
    void CloseInput();
    void Signal(int signal) const;
    // A file-size limit (RLIMIT_FSIZE) for the child, set before it has written anything.
    void LimitFileSize(std::uint64_t bytes) const;

    // True once `text` appears in standard output after the previous match; the next search
    // starts behind it.
    bool Await(std::string_view text, std::chrono::milliseconds timeout = 10s);

    // The next question the program asks (a line ending in "q stops." or "of this batch:"), or
    // nothing when the program has ended, `stop` has come true, or the timeout passed first.
    std::optional<std::string> AwaitQuestion(const std::function<bool()>& stop,
                                             std::chrono::milliseconds timeout = 20s);
    bool HasEnded() const;
    pid_t Pid() const { return m_pid; }

    // Closes the input and waits for the end; nothing when it has not ended within the timeout.
    std::optional<Ending> Wait(std::chrono::milliseconds timeout = 20s);

    // Everything read so far.
    const std::string& Output() const { return m_out; }
    const std::string& Errors() const { return m_err; }

  private:
    void Collect();

    pid_t m_pid = -1;
    platform::UniqueFd m_in;
    platform::UniqueFd m_outPipe;
    platform::UniqueFd m_errPipe;
    std::string m_out;
    std::string m_err;
    std::size_t m_searchFrom = 0;
};

// One finished run: its ending and what it printed.
struct RunResult {
    CliRun::Ending ending;
    std::string out;
    std::string err;
};
RunResult RunToEnd(const std::vector<std::string>& args, const std::filesystem::path& folder,
                   std::string_view input = {});

}  // namespace clitest
