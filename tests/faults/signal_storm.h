#pragma once
// A storm of signals at every thread of the process, to show that no blocking call gives up
// when it is interrupted.
//
// The handler does nothing and is installed without SA_RESTART, so each signal that lands in a
// blocking system call ends that call with EINTR instead of letting the kernel restart it. The
// sender thread is the only one that walks /proc/self/task; the handler touches nothing but a
// lock-free counter. SIGURG is used because its default action is to be ignored: a signal still
// on its way when the storm ends and the old action is back cannot end the process.

#include <signal.h>

#include <chrono>
#include <cstdint>
#include <thread>

namespace faulttest {

class SignalStorm {
  public:
    // One signal to every other thread each `period`, until destruction.
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
