#pragma once
// What a long run does to the process, sampled at fixed moments: resident memory, heap in use,
// descriptors, threads, and two sizes of the window's (the hidden status box's length, the answer
// text's capacity). The trend is
// the least-squares slope of the samples from a warm-up on, when start-up's one-off allocations
// and the first uses of each path are behind.

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "harness.h"

namespace bench {

struct MemorySample {
    double minutes;  // since the run began
    double residentMiB;
    double heapMiB;  // mallinfo2: blocks handed out and not given back, mmapped ones included
    std::size_t descriptors;
    std::size_t threads;
    std::size_t statusBox;       // characters
    std::size_t answerCapacity;  // bytes g_strReceived holds on to
};

class MemoryTrend {
  public:
    explicit MemoryTrend(double warmUpMinutes) : m_warmUp(warmUpMinutes) {}

    // Takes a sample now and prints it as one line to `log`.
    void Sample(double minutes, std::size_t statusBox, std::size_t answerCapacity, std::FILE* log);

    // MiB per 10 minutes over the samples after the warm-up; 0 with fewer than two.
    double ResidentSlope() const { return SlopeOf(&MemorySample::residentMiB); }
    double HeapSlope() const { return SlopeOf(&MemorySample::heapMiB); }
    // The samples after the warm-up (all of them when none is).
    std::vector<MemorySample> Settled() const;
    const std::vector<MemorySample>& All() const { return m_samples; }

  private:
    double SlopeOf(double MemorySample::*field) const;

    double m_warmUp;
    std::vector<MemorySample> m_samples;
};

}  // namespace bench
