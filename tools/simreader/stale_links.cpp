#include "simreader/stale_links.h"

namespace sim {

std::vector<std::string> RemoveDeadTerminalLinks(const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    std::vector<std::string> removed;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        std::error_code lookup;
        if (!entry.is_symlink(lookup)) {
            continue;
        }
        const fs::path target = fs::read_symlink(entry.path(), lookup);
        if (lookup || target.parent_path() != "/dev/pts" || fs::exists(target, lookup) || lookup) {
            continue;
        }
        if (fs::remove(entry.path(), lookup)) {
            removed.push_back(entry.path().filename().string() + " -> " + target.string());
        }
    }
    return removed;
}

}  // namespace sim
