#pragma once
// The commands of velmora-tag; each returns the program's exit status.

#include <string>

#include "cli/arguments.h"
#include "cli/port_session.h"
#include "platform/result.h"

namespace cli {

enum ExitStatus : int {
    kSuccess = 0,
    kDeviceSaidNo = 1,  // a write not answered "Success", a failed verify, no answer to a read
    kBadInput = 2,      // refused before anything was sent, with the reason
    kPortFailed = 3,    // the port could not be opened
};

int RunRead(const Arguments& args);
int RunWrite(const Arguments& args);
int RunBatch(const Arguments& args);
int RunPorts();

// Opens the port that --port or port_info.txt names; else the exit status, after the reason on
// standard error.
[[nodiscard]] platform::Result<void, ExitStatus> OpenChosenPort(PortSession& session,
                                                                const Arguments& args);

// "velmora-tag: " and the text on standard error.
void Complain(const std::string& text);

// Commands end here once their port is closed: a Ctrl+C that was held back while the tag was
// being worked on now ends the program as it would have.
[[nodiscard]] int Finish(int status);

}  // namespace cli
