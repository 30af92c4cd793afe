#pragma once
// The command line of velmora-tag: which command, with which options.

#include <optional>
#include <string>

#include "platform/result.h"

namespace cli {

enum class Command { Read, Write, Batch, Ports, Help, Version };

struct Arguments {
    Command command = Command::Help;
    std::optional<std::string> port;       // --port; otherwise port_info.txt decides
    bool json = false;                     // read
    std::optional<std::string> homepage;   // write
    std::optional<std::string> tableInfo;  // write
    bool lock = false;                     // write
    bool verify = false;                   // write
    std::string csvPath;                   // batch
    std::optional<std::string> logPath;    // batch
    bool resume = false;                   // batch
    // --quick: each exchange ends once its answer is whole, behind a closing silence of this
    // many milliseconds (--gap, or tag::kQuickGapMs).
    std::optional<unsigned> quickGapMs;
    bool handsFree = false;                  // batch: rows start when a tag is placed
    unsigned pollWaitMs = 0;                 // --poll-wait: a poll's silence that means no tag
    std::optional<std::string> noTagAnswer;  // --no-tag-answer: the reader's text for no tag
};

// The arguments, or why they make no command (for the operator, without the usage text).
[[nodiscard]] platform::Result<Arguments> ParseArguments(int argc, const char* const* argv);

extern const char* const kUsage;

}  // namespace cli
