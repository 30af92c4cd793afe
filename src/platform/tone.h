#pragma once
// Tones from the computer's speaker, for signals the operator hears without looking.

#include <cstdint>

namespace platform {

class ToneSink {
  public:
    virtual ~ToneSink() = default;
    virtual void Beep(std::uint32_t frequencyHz, std::uint32_t durationMs) = 0;
};

// Replaces the sound device, e.g. to record the tones; null goes back to the sound device.
void InstallToneSink(ToneSink* sink);

// Sounds a sine tone and returns when it has ended. Without a sound device the call still takes
// the tone's time, silently: the operator's rhythm of work stays the same.
void Beep(std::uint32_t frequencyHz, std::uint32_t durationMs);

}  // namespace platform
