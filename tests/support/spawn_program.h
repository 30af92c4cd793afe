#pragma once
// Starting one of the build's programs as a child of a test, with the test's environment.

#include <spawn.h>
#include <sys/types.h>

#include <string>
#include <vector>

namespace testsupport {

// Starts `program` with `args` after its name; `actions` arranges the child's descriptors (and
// folder) and is destroyed in every case. Throws std::system_error when the child cannot start.
pid_t SpawnProgram(const std::string& program, const std::vector<std::string>& args,
                   posix_spawn_file_actions_t& actions);

}  // namespace testsupport
