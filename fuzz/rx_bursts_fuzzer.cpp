// The receive path fed random bursts: the far side of a pseudo-terminal writes them one after
// another to an open channel, while the window either handles each WM_RX_NOTIFY as it comes or
// is busy and lets the queue fill up. Whatever arrives must be what was sent, in order, less
// whole reads that did not fit, one "buff full" for each. The tty layer may hand one burst over
// in more than one read, so part of a burst can be dropped while the rest is kept.
//
// Input: bursts, each a two-byte header and its bytes. The header's low 12 bits give the length
// less one (1 to 4096); bit 12 set means the window is busy while the burst arrives.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "fuzz_check.h"
#include "receive_rig.h"
#include "removed_runs.h"

namespace {

constexpr std::size_t kMaxBursts = 32;

struct Burst {
    std::span<const std::uint8_t> bytes;
    bool busy;
    // What happened to it.
    std::int32_t queuedBefore = 0;
    std::size_t kept = 0;
    std::uint64_t buffFull = 0;
};

std::vector<Burst> SplitIntoBursts(std::span<const std::uint8_t> input) {
    std::vector<Burst> bursts;
    while (input.size() > 2 && bursts.size() < kMaxBursts) {
        const unsigned header = input[0] << 8 | input[1];
        const std::size_t length = std::min<std::size_t>((header & 0x0FFF) + 1, input.size() - 2);
        bursts.push_back(Burst{input.subspan(2, length), (header & 0x1000) != 0});
        input = input.subspan(2 + length);
    }
    return bursts;
}

void Check(const Burst& burst, std::span<const std::uint8_t> arrived) {
    const std::size_t runs = fuzz::MinRemovedRuns(burst.bytes, arrived);
    fuzz::Require(runs != fuzz::kNotByRemoval,
                  "what arrives is what was sent, in order, with whole reads left out");
    fuzz::Require(runs <= burst.buffFull, "each read left out comes with its \"buff full\"");
    // A read is kept when it fits beside what is queued, and the window only ever makes room.
    if (burst.bytes.size() < static_cast<std::size_t>(RX_QUEUE_SIZE - burst.queuedBefore)) {
        fuzz::Require(burst.buffFull == 0, "a burst that fits is never dropped");
    }
    if (burst.busy && burst.queuedBefore == RX_QUEUE_SIZE - 1) {
        fuzz::Require(burst.kept == 0, "nothing is taken into a full queue");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<Burst> bursts = SplitIntoBursts(std::span(data, size));
    if (bursts.empty()) {
        return 0;
    }
    fuzz::ReceiveRig& rig = fuzz::ReceiveRig::Instance();
    fuzz::Require(rig.Queued() == 0 && rig.Received().empty(), "each input starts afresh");

    for (Burst& burst : bursts) {
        burst.queuedBefore = rig.Queued();
        const std::size_t receivedBefore = rig.Received().size();
        const std::uint64_t buffFullBefore = rig.BuffFullCount();
        rig.Send(burst.bytes);
        fuzz::Require(rig.WaitHandled(!burst.busy), "every byte is queued or dropped in time");
        // The window may have taken earlier bursts' bytes meanwhile; they count on both sides.
        const std::ptrdiff_t kept =
            static_cast<std::ptrdiff_t>(rig.Received().size() - receivedBefore) +
            (rig.Queued() - burst.queuedBefore);
        fuzz::Require(kept >= 0 && static_cast<std::size_t>(kept) <= burst.bytes.size(),
                      "no more arrives than was sent");
        burst.kept = static_cast<std::size_t>(kept);
        burst.buffFull = rig.BuffFullCount() - buffFullBefore;
    }
    rig.HandleNotifications();
    fuzz::Require(rig.Queued() == 0, "every queued byte is followed by a notification");

    std::span<const std::uint8_t> arrived(rig.Received());
    for (const Burst& burst : bursts) {
        Check(burst, arrived.first(burst.kept));
        arrived = arrived.subspan(burst.kept);
    }
    rig.ClearReceived();
    return 0;
}
