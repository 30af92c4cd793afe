#include "support/spawn_program.h"

#include <system_error>

extern char** environ;

namespace testsupport {

pid_t SpawnProgram(const std::string& program, const std::vector<std::string>& args,
                   posix_spawn_file_actions_t& actions) {
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        throw std::system_error(rc, std::generic_category(), "posix_spawn");
    }
    return pid;
}

}  // namespace testsupport
