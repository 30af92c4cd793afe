#include "cli/command_runs.h"

#include <chrono>
#include <cstdio>
#include <iostream>

#include "cli/port_choice.h"
#include "platform/console.h"

namespace cli {

void Complain(const std::string& text) {
    std::cerr << "velmora-tag: " << text << std::endl;
}

std::optional<int> OpenChosenPort(PortSession& session, const Arguments& args) {
    const auto chosen = ChoosePort(args.port, "port_info.txt");
    if (const auto* why = std::get_if<std::string>(&chosen)) {
        Complain(*why);
        return kBadInput;
    }
    if (std::optional<std::string> why = session.Open(std::get<PortSettings>(chosen))) {
        Complain(*why);
        return kPortFailed;
    }
    if (args.quickGapMs) {
        session.UseQuickEnd(std::chrono::milliseconds(*args.quickGapMs));
    }
    return std::nullopt;
}

int Finish(int status) {
    if (platform::InterruptRequested()) {
        std::cout.flush();
        std::fflush(nullptr);
        platform::EndAsInterrupted();
    }
    return status;
}

}  // namespace cli
