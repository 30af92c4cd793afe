#pragma once
// A storm of signals at every thread of the process, to show that no blocking call gives up
// when it is interrupted.
//
// The handler does nothing and is installed without SA_RESTART, so each signal that lands in a
// blocking system call ends that call with EINTR instead of letting the kernel restart it. The
// sender thread is the only one that walks /proc/self/task; the handler touches nothing but a
// lock-free counter. SIGURG is used because its default action is to be ignored: a signal still
// on its way when the storm ends and the old action is back cannot end the process.
//
// The storm holds off for a few scheduler ticks when a thread of the process is still in
// uninterruptible sleep a round after it was seen there. No signal can end such a wait, and what
// it waits for is the kernel: every poll of a pseudo-terminal with bytes in flight waits there for
// the kernel worker that carries the bytes from one side to the other. Waking the other threads
// thousands of times a second meanwhile kept that worker off the CPU for up to three seconds on a
// loaded two-core machine (the storm's process, and CPU-bound jobs of the same session, had both
// cores), far beyond the second an answer is given: the session then failed for the storm's sake,
// not the program's. On a machine with time to spare the worker runs at once, and the storm never
// pauses.

#include <signal.h>

#include <chrono>
#include <cstdint>
#include <thread>

namespace faulttest {

class SignalStorm {
  public:
    // One signal to every other thread each `period`, bar the hold-offs, until destruction.
    explicit SignalStorm(std::chrono::microseconds period = std::chrono::microseconds(250));
    ~SignalStorm();
    SignalStorm(const SignalStorm&) = delete;
    SignalStorm& operator=(const SignalStorm&) = delete;

    // Signals handled so far, by any thread.
    static std::uint64_t Handled();

  private:
    struct sigaction m_previous {};
    std::jthread m_sender;
};

}  // namespace faulttest
