#include "memory_trend.h"

#include <algorithm>

#include "support/process_counts.h"

namespace bench {

void MemoryTrend::Sample(double minutes, std::size_t statusBox, std::size_t answerCapacity,
                         std::FILE* log) {
    const MemorySample s{minutes,
                         static_cast<double>(testsupport::MemoryKiB()) / 1024.0,
                         static_cast<double>(testsupport::HeapInUseKiB()) / 1024.0,
                         testsupport::OpenDescriptorCount(),
                         testsupport::ThreadCount(),
                         statusBox,
                         answerCapacity};
    m_samples.push_back(s);
    std::fprintf(log,
                 "soak %6.2f min  RSS %7.2f MiB  heap in use %7.2f MiB  fds %zu  threads %zu  "
                 "status box %zu  answer text capacity %zu\n",
                 s.minutes, s.residentMiB, s.heapMiB, s.descriptors, s.threads, s.statusBox,
                 s.answerCapacity);
    std::fflush(log);
}

std::vector<MemorySample> MemoryTrend::Settled() const {
    std::vector<MemorySample> settled;
    std::ranges::copy_if(m_samples, std::back_inserter(settled),
                         [&](const MemorySample& s) { return s.minutes >= m_warmUp; });
    return settled.empty() ? m_samples : settled;
}

double MemoryTrend::SlopeOf(double MemorySample::*field) const {
    std::vector<double> minutes;
    std::vector<double> values;
    for (const MemorySample& s : Settled()) {
        minutes.push_back(s.minutes);
        values.push_back(s.*field);
    }
    return minutes.size() < 2 ? 0.0 : 10.0 * Slope(minutes, values);
}

}  // namespace bench
