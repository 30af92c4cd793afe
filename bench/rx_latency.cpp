// Receive latency: from a byte written on the far side of a pseudo-terminal until OnRxNotify has
// appended it to g_strReceived on the window's thread (channel, watch thread, queue, posted
// notification, event dispatcher, handler), next to a bare poll+read loop on a thread of its own
// on the same kind of terminal: the least a reader that is not the writing thread can take.
//
// Threads: the window's thread writes every byte and then sleeps in poll: for the program in the
// event dispatcher until the byte shows in g_strReceived, for the floor on an eventfd that the
// bare loop's thread writes after stamping its read (`m_readAt`, release there, acquire here).
// So both paths leave the machine in the same state between samples; on a virtual machine how
// long a core has been idle changes how fast it wakes. The two paths take turns sample by
// sample, so that whatever else loads the machine falls on both alike.

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <stdexcept>

#include "bare_reader.h"
#include "dialog_session.h"
#include "res/resource.h"
#include "tag/received_text.h"

namespace bench {
namespace {

constexpr int kBlocks = 10;
constexpr int kWarmUp = 20;
constexpr int kSamplesPerBlock = 400;

double ThroughProgram(sim::PseudoTerminal& far, DialogSession& session, std::uint8_t byte) {
    const std::size_t before = g_strReceived.size();
    const Clock::time_point sent = Clock::now();
    far.WriteAll(std::span(&byte, 1));
    if (!session.PumpUntil([&] { return g_strReceived.size() > before; })) {
        throw std::runtime_error("a byte did not reach g_strReceived");
    }
    return Micros(Clock::now() - sent);
}

// The bare loop's reading thread stamps each read, then wakes the writer through an eventfd.
class BareLoop {
  public:
    explicit BareLoop(const sim::PseudoTerminal& far)
        : m_readDone(::eventfd(0, EFD_CLOEXEC)), m_reader(far, 64, [this](auto) {
              m_readAt.store(Clock::now(), std::memory_order_release);
              const std::uint64_t one = 1;
              [[maybe_unused]] const ssize_t n = ::write(m_readDone.get(), &one, sizeof one);
          }) {}

    double Sample(sim::PseudoTerminal& far, std::uint8_t byte) {
        const Clock::time_point sent = Clock::now();
        far.WriteAll(std::span(&byte, 1));
        pollfd p{m_readDone.get(), POLLIN, 0};
        if (::poll(&p, 1, 5000) != 1) {
            throw std::runtime_error("a byte did not reach the bare loop");
        }
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t n = ::read(m_readDone.get(), &count, sizeof count);
        return Micros(m_readAt.load(std::memory_order_acquire) - sent);
    }

  private:
    platform::UniqueFd m_readDone;
    std::atomic<Clock::time_point> m_readAt{};
    BareReader m_reader;  // last: its thread uses the members above
};

void ReceiveLatency(Table& table) {
    sim::PseudoTerminal programSide;
    programSide.LinkAs("COM1");
    sim::PseudoTerminal bareSide;
    DialogSession session;

    std::vector<double> program;
    std::vector<double> floor;
    for (int block = 0; block < kBlocks; ++block) {
        // A fresh watch thread and bare loop thread for each block: where the scheduler puts
        // them decides much of the figure, so every block draws anew for both paths.
        session.OpenComOne();
        BareLoop bare(bareSide);
        for (int i = 0; i < kWarmUp + kSamplesPerBlock; ++i) {
            const auto byte = static_cast<std::uint8_t>(i);
            const double programUs = ThroughProgram(programSide, session, byte);
            const double floorUs = bare.Sample(bareSide, byte);
            if (i >= kWarmUp) {
                program.push_back(programUs);
                floor.push_back(floorUs);
            }
        }
        session.Click(IDC_BTN_CLOSE);
    }
    g_strReceived.clear();

    const double median = Median(program);
    const double floorMedian = Median(floor);
    table.Add({"1 rx latency median (pty write -> g_strReceived)", Text("%.1f us", median),
               Text("%.1f us bare poll+read", floorMedian), Text("%.2fx", median / floorMedian),
               "<= 2x", Verdict(median <= 2 * floorMedian)});
    const double p99 = Quantile(program, 0.99);
    const double floorP99 = Quantile(floor, 0.99);
    table.Add({"1 rx latency p99", Text("%.1f us", p99), Text("%.1f us bare poll+read", floorP99),
               Text("%.2fx", p99 / floorP99), "", ""});
    table.Note(
        Text("1: %d samples per path, taking turns, in %d blocks with fresh threads, "
             "each after %d discarded",
             kBlocks * kSamplesPerBlock, kBlocks, kWarmUp));
}

const Registration kRegistration(1, "receive latency", ReceiveLatency);

}  // namespace
}  // namespace bench
