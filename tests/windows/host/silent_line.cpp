// velmora-silent-line: a serial line whose far side never reads. A pseudo-terminal whose master
// is held open and left alone, so that writes to the line fill its buffer and then wait, as they
// do on a port whose device has stopped taking bytes. Prints the line's path, then lives until
// SIGINT, SIGTERM or SIGHUP.

#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

int main() {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("velmora-silent-line: pseudo-terminal");
        return 1;
    }
    const char* name = ptsname(master);
    // Held open so that the line stays up between opens of the port, and made raw so that the
    // line discipline neither echoes into the master nor waits for whole lines.
    const int line = open(name, O_RDWR | O_NOCTTY);
    termios settings{};
    if (line < 0 || tcgetattr(line, &settings) != 0) {
        std::perror("velmora-silent-line: line");
        return 1;
    }
    cfmakeraw(&settings);
    tcsetattr(line, TCSANOW, &settings);
    std::printf("%s\n", name);
    std::fflush(stdout);

    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGHUP);
    sigprocmask(SIG_BLOCK, &stop, nullptr);
    int signal = 0;
    sigwait(&stop, &signal);
    return 0;
}
