// Receive throughput: a flood through the channel, its queue and OnRxNotify into g_strReceived,
// with the window's thread draining as in the program (sleeping in the event dispatcher between
// notifications), next to a bare read loop on the same kind of terminal.
//
// The queue holds 4191 bytes and the watch thread drops a burst that does not fit ("buff full"),
// so an unpaced far side would measure the drop path. The far side is paced by the consumer
// instead: it never runs more than the queue's room ahead of what has reached g_strReceived, and
// every byte between the two is in the terminal, the watch thread's buffer or the queue, so a
// burst always fits. Boxes are recorded and counted all the same.
//
// Threads: the feeding thread writes the terminal; `consumed` is published by the consuming thread
// (the window's thread, or the bare reader's) with release after each step and read by the feeder
// with acquire, which sleeps on it while it has no room. For the bare loop the main thread sleeps
// until the reader says the flood is in, so that it takes no turn on the two cores meanwhile.

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <thread>

#include "bare_reader.h"
#include "dialog_session.h"
#include "simreader/reply.h"
#include "tag/received_text.h"

namespace bench {
namespace {

constexpr std::size_t kFlood = 32u << 20;
constexpr std::size_t kWindow = RX_QUEUE_SIZE - 1;
constexpr std::size_t kMaxWrite = 64u << 10;
// A paced feeder waits for this much room, so that it does not dribble single bytes.
constexpr std::size_t kMinWrite = 1024;

const std::string& Pattern() {
    static const std::string pattern = sim::FloodBytes(kMaxWrite + 251);
    return pattern;
}

// Writes the flood; with `consumed`, never more than kWindow ahead of it.
std::jthread Feed(sim::PseudoTerminal& pty, const std::atomic<std::size_t>* consumed) {
    return std::jthread([&pty, consumed] {
        std::size_t sent = 0;
        while (sent < kFlood) {
            std::size_t room = kMaxWrite;
            if (consumed != nullptr) {
                const std::size_t seen = consumed->load(std::memory_order_acquire);
                room = kWindow - (sent - std::min(seen, sent));
                if (room < std::min(kMinWrite, kFlood - sent)) {
                    consumed->wait(seen, std::memory_order_acquire);
                    continue;
                }
            }
            const std::size_t n = std::min({room, kFlood - sent, kMaxWrite});
            const char* from = Pattern().data() + sent % 251;
            if (!pty.WriteAll(std::string_view(from, n))) {
                return;
            }
            sent += n;
        }
    });
}

double MegabytesPerSecond(Clock::duration d) {
    return static_cast<double>(kFlood) / std::chrono::duration<double>(d).count() / 1e6;
}

bool IsFlood(const std::string& text) {
    if (text.size() != kFlood) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (static_cast<std::uint8_t>(text[i]) != sim::FloodByte(i)) {
            return false;
        }
    }
    return true;
}

struct ProgramRun {
    double mbps;
    std::size_t buffFull;
    bool exact;
};

ProgramRun ThroughProgram() {
    sim::PseudoTerminal far;
    far.LinkAs("COM1");
    DialogSession session;
    session.OpenComOne();
    g_strReceived.clear();

    std::atomic<std::size_t> consumed{0};
    const Clock::time_point start = Clock::now();
    std::jthread feeder = Feed(far, &consumed);
    const bool arrived = session.PumpUntil(
        [&] {
            consumed.store(g_strReceived.size(), std::memory_order_release);
            consumed.notify_one();
            return g_strReceived.size() >= kFlood;
        },
        std::chrono::seconds(60));
    const Clock::duration took = Clock::now() - start;
    if (!arrived) {
        // Let the feeder finish into the drop path, so that it can be joined.
        consumed.store(kFlood, std::memory_order_release);
        consumed.notify_one();
        feeder.join();
        throw std::runtime_error("the flood did not arrive whole within 60 s");
    }
    feeder.join();
    const auto texts = session.Boxes().Texts();
    const ProgramRun run{MegabytesPerSecond(took),
                         static_cast<std::size_t>(std::ranges::count(texts, "buff full")),
                         IsFlood(g_strReceived)};
    g_strReceived = std::string();
    return run;
}

double ThroughBareLoop(bool paced) {
    sim::PseudoTerminal far;
    std::atomic<std::size_t> consumed{0};
    std::atomic<bool> done{false};
    BareReader reader(far, kMaxWrite, [&](std::span<const std::uint8_t> bytes) {
        const std::size_t total = consumed.fetch_add(bytes.size(), std::memory_order_release);
        consumed.notify_one();
        if (total + bytes.size() >= kFlood) {
            done.store(true);
            done.notify_one();
        }
    });
    const Clock::time_point start = Clock::now();
    std::jthread feeder = Feed(far, paced ? &consumed : nullptr);
    done.wait(false);
    return MegabytesPerSecond(Clock::now() - start);
}

void ReceiveThroughput(Table& table) {
    const double bare = ThroughBareLoop(false);
    const double barePaced = ThroughBareLoop(true);
    const ProgramRun program = ThroughProgram();
    const bool met = program.mbps >= 20.0 && program.buffFull == 0 && program.exact;
    table.Add({"2 rx throughput (channel -> queue -> OnRxNotify)", Text("%.1f MB/s", program.mbps),
               Text("%.1f MB/s bare read loop", bare), Text("%.2fx", program.mbps / bare),
               ">= 20 MB/s", Verdict(met)});
    table.Add({"2 bare read loop paced like the program", "", Text("%.1f MB/s", barePaced),
               Text("%.2fx", program.mbps / barePaced), "", ""});
    table.Note(
        Text("2: %zu MiB flood, far side at most %zu bytes ahead of the consumer; "
             "\"buff full\" boxes %zu; g_strReceived byte-exact: %s",
             kFlood >> 20, kWindow, program.buffFull, program.exact ? "yes" : "NO"));
}

const Registration kRegistration(2, "receive throughput", ReceiveThroughput);

}  // namespace
}  // namespace bench
