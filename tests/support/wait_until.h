#pragma once
// Waiting for a condition in tests: poll it with a deadline instead of sleeping a guessed time.

#include <chrono>
#include <thread>

namespace testsupport {

template <typename Predicate>
bool WaitUntil(Predicate&& done, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return done();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace testsupport
