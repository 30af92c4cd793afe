// velmora-tag: the tag operations of the window from a command line, for scripts and batches.

#include <iostream>

#include "cli/arguments.h"
#include "cli/command_runs.h"
#include "platform/console.h"

int main(int argc, char** argv) {
    const platform::Result<cli::Arguments> parsed = cli::ParseArguments(argc, argv);
    if (!parsed) {
        cli::Complain(parsed.error());
        std::cerr << cli::kUsage;
        return cli::kBadInput;
    }
    const cli::Arguments& args = *parsed;
    platform::DeferInterrupt();
    switch (args.command) {
        case cli::Command::Read:
            return cli::RunRead(args);
        case cli::Command::Write:
            return cli::RunWrite(args);
        case cli::Command::Batch:
            return cli::RunBatch(args);
        case cli::Command::Ports:
            return cli::RunPorts();
        case cli::Command::Version:
            std::cout << "velmora-tag " VELMORA_VERSION "\n";
            return cli::kSuccess;
        case cli::Command::Help:
            break;
    }
    std::cout << cli::kUsage;
    return cli::kSuccess;
}
