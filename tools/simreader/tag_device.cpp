#include "tag_device.h"

namespace sim {

std::string Execute(TagState& tag, std::string_view payload) {
    constexpr std::string_view kSuccess = "Success";
    if (payload.empty()) {
        return {};
    }
    const std::string_view argument = payload.substr(1);
    switch (payload.front()) {
        case 'R':
            return tag.homepage + "," + tag.tableInfo;
        case 'L':
        case 'U':
            if (tag.locked) {
                return std::string(kLockedAnswer);
            }
            tag.homepage = argument;
            tag.locked = payload.front() == 'L';
            return std::string(kSuccess);
        case 'W':
            tag.tableInfo = argument;
            return std::string(kSuccess);
        default:
            return {};
    }
}

}  // namespace sim
