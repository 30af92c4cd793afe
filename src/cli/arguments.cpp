#include "cli/arguments.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "platform/com_port_name.h"
#include "tag/exchange.h"

namespace cli {

using platform::Failure;

const char* const kUsage =
    "usage: velmora-tag [--port COMn] read [--json]\n"
    "       velmora-tag [--port COMn] write [--homepage TEXT] [--lock] [--table-info TEXT] "
    "[--verify]\n"
    "       velmora-tag [--port COMn] batch FILE.csv [--log results.csv [--resume]]\n"
    "                   [--hands-free [--poll-wait MS] [--no-tag-answer TEXT]]\n"
    "       velmora-tag ports\n"
    "       velmora-tag --help | --version\n"
    "read, write and batch take --quick [--gap MS]: an exchange ends once its answer is whole.\n"
    "Without --port, the port of the window's last OPEN (port_info.txt in this folder).\n";

namespace {

struct Option {
    std::string_view name;
    std::optional<Command> only;  // the command it belongs to; none: every command with a port
    bool takesValue;
};

constexpr Option kOptions[] = {
    {"--port", std::nullopt, true},
    {"--json", Command::Read, false},
    {"--homepage", Command::Write, true},
    {"--table-info", Command::Write, true},
    {"--lock", Command::Write, false},
    {"--verify", Command::Write, false},
    {"--log", Command::Batch, true},
    {"--resume", Command::Batch, false},
    {"--quick", std::nullopt, false},
    {"--gap", std::nullopt, true},
    {"--hands-free", Command::Batch, false},
    {"--poll-wait", Command::Batch, true},
    {"--no-tag-answer", Command::Batch, true},
};

// A number of milliseconds from 1 to the answer's second; nothing when `text` is none.
std::optional<unsigned> Milliseconds(const std::string& text) {
    if (text.empty() || text.size() > 4 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const unsigned ms = static_cast<unsigned>(std::stoul(text));
    if (ms == 0 || ms > tag::kAnswerWaitMs) {
        return std::nullopt;
    }
    return ms;
}

std::optional<Command> CommandNamed(std::string_view word) {
    constexpr std::pair<std::string_view, Command> kCommands[] = {
        {"read", Command::Read},   {"write", Command::Write},       {"batch", Command::Batch},
        {"ports", Command::Ports}, {"help", Command::Help},         {"--help", Command::Help},
        {"-h", Command::Help},     {"--version", Command::Version},
    };
    for (const auto& [name, command] : kCommands) {
        if (name == word) {
            return command;
        }
    }
    return std::nullopt;
}

// Stores one option's value; why not, when it cannot be taken.
platform::Result<void> Store(Arguments& args, std::string_view name, std::string value) {
    std::optional<std::string>* slot = nullptr;
    if (name == "--gap" || name == "--poll-wait") {
        const std::optional<unsigned> ms = Milliseconds(value);
        if (!ms) {
            return Failure(std::string(name) + " takes milliseconds from 1 to " +
                           std::to_string(tag::kAnswerWaitMs) + ", not '" + value + "'");
        }
        if (name == "--gap") {
            args.quickGapMs = *ms;
        } else {
            args.pollWaitMs = *ms;
        }
        return {};
    }
    if (name == "--port") {
        if (!platform::ParseComPortName(value)) {
            return Failure("'" + value + "' is no port name (COM1, COM2, ...)");
        }
        slot = &args.port;
    } else if (name == "--homepage") {
        slot = &args.homepage;
    } else if (name == "--table-info") {
        slot = &args.tableInfo;
    } else if (name == "--no-tag-answer") {
        slot = &args.noTagAnswer;
    } else {
        slot = &args.logPath;
    }
    *slot = std::move(value);
    return {};
}

void Set(Arguments& args, std::string_view name) {
    if (name == "--quick") {
        args.quickGapMs = args.quickGapMs.value_or(tag::kQuickGapMs);
        return;
    }
    bool& flag = name == "--json"         ? args.json
                 : name == "--lock"       ? args.lock
                 : name == "--verify"     ? args.verify
                 : name == "--hands-free" ? args.handsFree
                                          : args.resume;
    flag = true;
}

// Options that only mean something beside another one.
platform::Result<void> Unpaired(const Arguments& args, const std::vector<std::string_view>& given) {
    const auto has = [&](std::string_view name) {
        return std::find(given.begin(), given.end(), name) != given.end();
    };
    if (has("--gap") && !has("--quick")) {
        return Failure("--gap sets the quick end's closing silence and needs --quick");
    }
    for (const std::string_view name : {"--poll-wait", "--no-tag-answer"}) {
        if (has(name) && !args.handsFree) {
            return Failure(std::string(name) + " is for the polls of --hands-free");
        }
    }
    if (args.resume && !args.logPath) {
        return Failure("--resume needs the --log of the batch to resume");
    }
    return {};
}

}  // namespace

platform::Result<Arguments> ParseArguments(int argc, const char* const* argv) {
    Arguments args;
    std::optional<Command> command;
    std::vector<std::string> operands;
    std::vector<std::pair<std::string_view, std::optional<Command>>> seen;
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        const Option* option = nullptr;
        for (const Option& o : kOptions) {
            if (o.name == word) {
                option = &o;
            }
        }
        if (option == nullptr) {
            if (word.starts_with("-") && !CommandNamed(word)) {
                return Failure("unknown option '" + std::string(word) + "'");
            }
            if (!command) {
                command = CommandNamed(word);
                if (!command) {
                    return Failure("unknown command '" + std::string(word) + "'");
                }
            } else {
                operands.emplace_back(word);
            }
            continue;
        }
        for (const auto& [name, unused] : seen) {
            if (name == word) {
                return Failure(std::string(word) + " is given twice");
            }
        }
        seen.emplace_back(option->name, option->only);
        if (!option->takesValue) {
            Set(args, word);
        } else if (i + 1 == argc) {
            return Failure(std::string(word) + " needs a value");
        } else if (const platform::Result<void> stored = Store(args, word, argv[++i]); !stored) {
            return Failure(stored.error());
        }
    }
    if (!command) {
        return Failure("no command given");
    }
    args.command = *command;
    for (const auto& [name, only] : seen) {
        const bool fits = only ? *only == args.command
                               : args.command != Command::Ports && args.command != Command::Help &&
                                     args.command != Command::Version;
        if (!fits) {
            return Failure(std::string(name) + " does not go with this command");
        }
    }
    const std::size_t wanted = args.command == Command::Batch ? 1 : 0;
    if (operands.size() > wanted) {
        return Failure("unexpected '" + operands[wanted] + "'");
    }
    if (operands.size() < wanted) {
        return Failure("batch needs the CSV file");
    }
    if (wanted == 1) {
        args.csvPath = operands[0];
    }
    std::vector<std::string_view> given;
    for (const auto& [name, unused] : seen) {
        given.push_back(name);
    }
    if (const platform::Result<void> paired = Unpaired(args, given); !paired) {
        return Failure(paired.error());
    }
    if (args.handsFree && args.pollWaitMs == 0) {
        args.pollWaitMs = tag::kPollWaitMs;
    }
    return args;
}

}  // namespace cli
