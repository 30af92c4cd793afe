#pragma once
// What the tag reader/writer does with one command: the tag's two items, its lock, and the answer.

#include <string>
#include <string_view>

namespace sim {

struct TagState {
    std::string homepage;
    std::string tableInfo;
    // Set by a locked homepage write; from then on the homepage can no longer be written.
    bool locked = false;
};

// The answer when a locked homepage refuses a write.
inline constexpr std::string_view kLockedAnswer = "Locked";

// Carries out the command in `payload` (the frame without 0x01 and 0x04) on `tag` and returns the
// device's answer; an unknown or empty command changes nothing and is not answered.
std::string Execute(TagState& tag, std::string_view payload);

}  // namespace sim
