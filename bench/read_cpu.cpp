// CPU per READ: the process CPU time one READ costs (its wall time is one second by design: the
// answer is collected for that long) next to a busy-polling wait of the same length, which takes
// and dispatches events in a loop that never sleeps.
//
// Everything runs on the window's thread; the simulated reader answers from its serving thread,
// whose few microseconds count with the READ, as does the watch thread's work.

#include <QCoreApplication>

#include <stdexcept>

#include "dialog_session.h"
#include "platform/gui/event_pump.h"
#include "platform/serial_device.h"
#include "res/resource.h"
#include "simreader/sim_tag_reader.h"

namespace bench {
namespace {

constexpr int kRounds = 4;

struct Cost {
    double cpuSeconds;
    double wallSeconds;
};

template <typename Work>
Cost Measure(Work&& work) {
    const double cpu = ProcessCpuSeconds();
    const Clock::time_point wall = Clock::now();
    work();
    return Cost{ProcessCpuSeconds() - cpu,
                std::chrono::duration<double>(Clock::now() - wall).count()};
}

void BusyWait(std::uint32_t ms) {
    const std::uint32_t start = platform::TickCount();
    while (platform::TickCount() - start < ms) {
        QCoreApplication::processEvents();
    }
}

void CpuPerRead(Table& table) {
    sim::SimTagReader::Options options;
    options.portName = "COM1";
    options.tag = sim::TagState{"www.example.com", "START", false};
    sim::SimTagReader reader(std::move(options));
    DialogSession session;
    session.OpenComOne();

    std::vector<double> readCpu;
    std::vector<double> busyCpu;
    std::vector<double> wakeups;
    for (int i = 0; i < kRounds; ++i) {
        const platform::SerialCallCounts before = platform::SerialCalls();
        const Cost read = Measure([&] { session.Click(IDC_BTN_READ); });
        wakeups.push_back(
            static_cast<double>(platform::SerialCalls().waitWakeups - before.waitWakeups));
        if (session.Dialog().m_strHomepage != "www.example.com") {
            throw std::runtime_error("READ did not show the tag's homepage");
        }
        const auto ms = static_cast<std::uint32_t>(read.wallSeconds * 1000);
        const Cost busy = Measure([&] { BusyWait(ms); });
        readCpu.push_back(read.cpuSeconds);
        busyCpu.push_back(busy.cpuSeconds);
    }
    const double cpu = Median(readCpu);
    const double busy = Median(busyCpu);
    table.Add({"3 CPU per READ (1 s wall)", Text("%.2f ms", cpu * 1e3),
               Text("%.0f ms busy-polling wait", busy * 1e3), Text("%.2f%%", 100 * cpu / busy),
               "<= 1%", Verdict(cpu <= 0.01 * busy)});
    table.Note(
        Text("3: medians of %d READs and %d busy waits taking turns; the watch thread "
             "woke %.0f times per READ",
             kRounds, kRounds, Median(wakeups)));
}

const Registration kRegistration(3, "CPU per READ", CpuPerRead);

}  // namespace
}  // namespace bench
