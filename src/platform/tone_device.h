#pragma once
// Between the tone service and its backend: what one sound device plays.

#include <cstdint>
#include <vector>

namespace platform::tone {

inline constexpr unsigned kRate = 48000;  // samples per second, mono, 16 bits

// The tone as samples, faded in and out over 2 ms so that its edges do not click.
std::vector<std::int16_t> SineSamples(std::uint32_t frequencyHz, std::uint32_t durationMs);

// Plays the samples on the system's sound device and returns when they have been played; false
// when there is no device or it failed.
[[nodiscard]] bool PlayOnDevice(const std::vector<std::int16_t>& samples);

}  // namespace platform::tone
