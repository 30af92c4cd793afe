// Tones through ALSA's default device, so that PulseAudio and PipeWire desktops play them too.

#include <alsa/asoundlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <numbers>
#include <thread>
#include <vector>

#include "platform/tone.h"

namespace platform {
namespace {

std::atomic<ToneSink*> g_sink{nullptr};

constexpr unsigned kRate = 48000;
constexpr unsigned kLatencyUs = 50000;
constexpr unsigned kFadeSamples = kRate / 500;  // 2 ms: no click at the tone's edges

// ALSA prints its own complaints when there is no card; a missing device is not an error here.
void Quiet(const char*, int, const char*, int, const char*, ...) {}

std::vector<std::int16_t> SineSamples(std::uint32_t frequencyHz, std::uint32_t durationMs) {
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

bool PlayOnDevice(std::uint32_t frequencyHz, std::uint32_t durationMs) {
    snd_lib_error_set_handler(Quiet);
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, 0) < 0) {
        return false;
    }
    bool played = false;
    if (snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, 1, kRate, 1,
                           kLatencyUs) >= 0) {
        const std::vector<std::int16_t> samples = SineSamples(frequencyHz, durationMs);
        std::size_t done = 0;
        while (done < samples.size()) {
            snd_pcm_sframes_t n = snd_pcm_writei(pcm, samples.data() + done, samples.size() - done);
            if (n < 0) {
                n = snd_pcm_recover(pcm, static_cast<int>(n), 1);
            }
            if (n < 0) {
                break;
            }
            done += static_cast<std::size_t>(n);
        }
        played = done == samples.size() && snd_pcm_drain(pcm) >= 0;
    }
    snd_pcm_close(pcm);
    return played;
}

}  // namespace

void InstallToneSink(ToneSink* sink) {
    g_sink.store(sink, std::memory_order_release);
}

void Beep(std::uint32_t frequencyHz, std::uint32_t durationMs) {
    if (ToneSink* sink = g_sink.load(std::memory_order_acquire)) {
        sink->Beep(frequencyHz, durationMs);
        return;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(durationMs);
    if (!PlayOnDevice(frequencyHz, durationMs)) {
        std::this_thread::sleep_until(end);
    }
}

}  // namespace platform
