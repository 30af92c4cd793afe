// Tones hold their length whether or not a sound device plays them, so that the operator's rhythm
// of work stays the same; and a device that never reports the end does not hold the caller long.
// (Whether Wine reaches a sound device depends on the machine: both ways must keep this.)

#include <gtest/gtest.h>

#include <chrono>

#include "platform/tone.h"

namespace {

using namespace std::chrono_literals;

TEST(Tone, HoldsItsLengthAndEndsSoonAfter) {
    // The first tone loads the sound stack, which takes seconds under Wine: measured after it.
    platform::Beep(880, 1);
    for (const std::uint32_t ms : {30u, 250u}) {
        const auto start = std::chrono::steady_clock::now();
        platform::Beep(880, ms);
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_GE(took, std::chrono::milliseconds(ms)) << ms << " ms tone";
        EXPECT_LT(took, std::chrono::milliseconds(ms) + 1500ms) << ms << " ms tone";
    }
}

}  // namespace
