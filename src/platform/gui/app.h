#pragma once
// The application object and the program's entry point.
//
// The one application object registers itself, and hands in the program's resources, when it is
// constructed, before main runs; the entry point sets up the window system and the platform
// services, catches the system's requests to quit, and hands over to InitInstance, which runs the
// whole program. The application's name, the caption of every message box, is the executable's
// file name without its extension.

#include "platform/gui/program_resources.h"

namespace platform {

class App {
  public:
    // The program's resources are the framework's from here on (gui/program_resources.h).
    explicit App(const ProgramResources& resources);
    virtual ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    // Runs the program; returning false ends the process without a message loop of its own.
    virtual bool InitInstance() = 0;
};

// The process's entry point, one per window backend: returns the exit code.
int AppMain(int argc, char** argv);
// Runs the one application object's InitInstance, once the backend has set up its services.
void RunApp();

}  // namespace platform
