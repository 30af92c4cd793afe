// The tone service: a sink installed by tests, else the backend's sound device; the tone's length
// is held either way.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <numbers>
#include <thread>

#include "platform/tone.h"
#include "platform/tone_device.h"

namespace platform {
namespace {

std::atomic<ToneSink*> g_sink{nullptr};

constexpr unsigned kFadeSamples = tone::kRate / 500;  // 2 ms

}  // namespace

std::vector<std::int16_t> tone::SineSamples(std::uint32_t frequencyHz, std::uint32_t durationMs) {
    const std::size_t count = static_cast<std::size_t>(kRate) * durationMs / 1000;
    std::vector<std::int16_t> samples(count);
    const double step = 2.0 * std::numbers::pi * frequencyHz / kRate;
    for (std::size_t i = 0; i < count; ++i) {
        const double edge = std::min({1.0, static_cast<double>(i) / kFadeSamples,
                                      static_cast<double>(count - i) / kFadeSamples});
        samples[i] =
            static_cast<std::int16_t>(std::sin(step * static_cast<double>(i)) * edge * 12000);
    }
    return samples;
}

void InstallToneSink(ToneSink* sink) {
    g_sink.store(sink, std::memory_order_release);
}

void Beep(std::uint32_t frequencyHz, std::uint32_t durationMs) {
    if (ToneSink* sink = g_sink.load(std::memory_order_acquire)) {
        sink->Beep(frequencyHz, durationMs);
        return;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(durationMs);
    // Without a device, or one that reports the end early, the operator's rhythm stays the same:
    // the tone's time is waited out below either way.
    (void)tone::PlayOnDevice(tone::SineSamples(frequencyHz, durationMs));
    // sleep_until on a steady clock sleeps once, and a Windows sleep can wake a fraction of a
    // millisecond early: the end is checked again.
    while (std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_until(end);
    }
}

}  // namespace platform
