// The program exactly as shipped (the same entry point, application object and window
// libraries), with the start-up probe linked in.

#include "platform/gui/app.h"

int main(int argc, char** argv) {
    return platform::AppMain(argc, argv);
}
