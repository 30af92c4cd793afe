#pragma once
// Stands in for the speaker: records every tone instead of sounding it, and returns at once.
// Installs itself for its lifetime.

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/tone.h"

namespace testsupport {

class RecordingTones : public platform::ToneSink {
  public:
    using Tone = std::pair<std::uint32_t, std::uint32_t>;  // Hz, ms

    RecordingTones() { platform::InstallToneSink(this); }
    ~RecordingTones() override { platform::InstallToneSink(nullptr); }

    void Beep(std::uint32_t frequencyHz, std::uint32_t durationMs) override {
        m_tones.emplace_back(frequencyHz, durationMs);
    }
    std::vector<Tone> Take() { return std::exchange(m_tones, {}); }

  private:
    std::vector<Tone> m_tones;
};

}  // namespace testsupport
