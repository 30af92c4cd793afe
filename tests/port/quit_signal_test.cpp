// The program told to quit from outside while its port is open: it lets the port go, ends its
// watch thread and exits with 0, so that the next copy can open the same port at once.

#include <signal.h>

#include <cstring>

#include "dialog_fixture.h"
#include "support/child_program.h"

namespace {

using namespace std::chrono_literals;

class QuitSignalTest : public testsupport::DialogTest {};

TEST_F(QuitSignalTest, ReleasesThePortAndExitsWithZero) {
    StartReader("COM1");
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        // Each copy opens the port that the one before it was holding when it was signalled.
        testsupport::ChildProgram program({INSTANCE_PROGRAM});
        ASSERT_EQ(program.ReadLine(10s), "open") << program.Errors();
        program.Signal(signal);
        EXPECT_EQ(program.Exit(5s), 0);
    }
    OpenPort(0);
    EXPECT_EQ(m_dlg->m_comm.m_bConnected, 1) << m_dlg->m_comm.m_openError.text;
}

}  // namespace
