#pragma once
// The simulated reader as a long working day meets it: it answers well most of the time, but now
// and then floods, goes deaf, sends garbage or chatter, answers late or in pieces, or hangs up and
// comes back. Each operator step gets one behaviour, drawn by the caller.
//
// Window thread only. The reader's serving thread does the talking; what this class schedules on
// timers (a flood or a hang-up in the middle of an operation, chatter) runs on the window's
// thread inside whatever loop the step runs.

#include <QObject>
#include <QTimer>

#include <array>
#include <chrono>
#include <memory>
#include <random>
#include <string_view>

#include "simreader/sim_tag_reader.h"

namespace bench {

enum class Behaviour {
    Good,          // the device's own answer, at once
    FloodDuring,   // 0.5 to 5 MiB while the operation waits for its answer
    FloodBetween,  // 0.5 to 5 MiB once the step is over, while the operator thinks
    Deaf,          // takes no bytes during the step: every write runs out of time
    Garbage,       // bytes ahead of the answer
    Chatter,       // short unsolicited lines every so often, until the next step
    HangUp,        // the line hangs up during the step; the reader comes back before the next OPEN
    Late,          // the answer comes after the operation stopped waiting
    Split,         // the answer in small pieces with gaps between them
};
inline constexpr std::size_t kBehaviours = 9;
std::string_view BehaviourName(Behaviour behaviour);

class SoakDevice {
  public:
    explicit SoakDevice(std::mt19937& random);
    ~SoakDevice();

    // Arranges `behaviour` for the step about to run; `framed` says whether the step sends frames
    // (a reply can only be scripted for those).
    void Before(Behaviour behaviour, bool framed);
    // Once the step is over.
    void After(Behaviour behaviour);

    // A new reader behind COM1 when the last one hung up; true when it made one.
    bool ComeBack();
    sim::SimTagReader& Reader() { return *m_reader; }

  private:
    std::size_t FloodSize();
    std::chrono::milliseconds Between(int fromMs, int toMs);
    void Flood();

    std::mt19937& m_random;
    std::unique_ptr<sim::SimTagReader> m_reader;
    QObject m_timers;  // the context of the single-shot timers: none outlives this object
    QTimer m_chatter;
};

}  // namespace bench
