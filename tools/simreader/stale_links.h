#pragma once
// Links in the device map that a simulated reader left behind when it was killed: they point at
// pseudo-terminals that are gone. The kernel hands the same /dev/pts number to the next terminal
// that opens, so such a link would lead OPEN to somebody's shell.

#include <filesystem>
#include <string>
#include <vector>

namespace sim {

// Removes every link in `folder` that points at a /dev/pts entry which is not there, and returns
// a line for each ("COM2 -> /dev/pts/7"). Links to other devices stay: an unplugged adapter
// comes back under its name.
std::vector<std::string> RemoveDeadTerminalLinks(const std::filesystem::path& folder);

}  // namespace sim
