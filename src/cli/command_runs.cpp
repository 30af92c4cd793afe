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

platform::Result<void, ExitStatus> OpenChosenPort(PortSession& session, const Arguments& args) {
    const platform::Result<PortSettings> chosen = ChoosePort(args.port, "port_info.txt");
    if (!chosen) {
        Complain(chosen.error());
        return platform::Failure(kBadInput);
    }
    if (const platform::Result<void> opened = session.Open(*chosen); !opened) {
        Complain(opened.error());
        return platform::Failure(kPortFailed);
    }
    if (args.quickGapMs) {
        session.UseQuickEnd(std::chrono::milliseconds(*args.quickGapMs));
    }
    return {};
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
