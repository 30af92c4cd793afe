#pragma once
// Another program run by a test: started with its standard input, output and error on pipes,
// typed into, read line by line, signalled, and killed if it is still there when the object goes.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/unique_fd.h"

namespace testsupport {

class ChildProgram {
  public:
    // argv[0] is the program's path. Throws std::system_error when it cannot be started.
    explicit ChildProgram(const std::vector<std::string>& argv);
    ~ChildProgram();
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    void Input(std::string_view text);
    // The next line of standard output, without its line end; nothing after the timeout.
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout);
    void Signal(int signal) const;
    // The exit code, or nothing when the program did not exit normally within the timeout.
    std::optional<int> Exit(std::chrono::milliseconds timeout);
    // Standard error so far; call after the program has ended.
    std::string Errors() const;

  private:
    pid_t m_pid = -1;
    platform::UniqueFd m_in;
    platform::UniqueFd m_out;
    platform::UniqueFd m_err;
    std::string m_pending;
};

}  // namespace testsupport
