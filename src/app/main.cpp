#include "platform/gui/app.h"

int main(int argc, char** argv) {
    return platform::AppMain(argc, argv);
}
