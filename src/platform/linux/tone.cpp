// Tones through ALSA's default device, so that PulseAudio and PipeWire desktops play them too.

#include <alsa/asoundlib.h>

#include "platform/tone_device.h"

namespace platform::tone {
namespace {

constexpr unsigned kLatencyUs = 50000;

// ALSA prints its own complaints when there is no card; a missing device is not an error here.
void Quiet(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

bool PlayOnDevice(const std::vector<std::int16_t>& samples) {
    snd_lib_error_set_handler(Quiet);
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, 0) < 0) {
        return false;
    }
    bool played = false;
    if (snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, 1, kRate, 1,
                           kLatencyUs) >= 0) {
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

}  // namespace platform::tone
