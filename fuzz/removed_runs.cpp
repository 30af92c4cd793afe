#include "removed_runs.h"

#include <algorithm>
#include <vector>

namespace fuzz {

std::size_t MinRemovedRuns(std::span<const std::uint8_t> sent, std::span<const std::uint8_t> kept) {
    if (kept.size() > sent.size()) {
        return kNotByRemoval;
    }
    if (std::ranges::equal(sent, kept)) {
        return 0;
    }
    // One run: the common prefix and the common suffix together cover what was kept.
    const std::size_t prefix =
        static_cast<std::size_t>(std::ranges::mismatch(kept, sent).in1 - kept.begin());
    const std::size_t suffix = static_cast<std::size_t>(
        std::mismatch(kept.rbegin(), kept.rend(), sent.rbegin(), sent.rend()).first -
        kept.rbegin());
    if (prefix + suffix >= kept.size()) {
        return 1;
    }

    // More runs, rarely needed: over the first i kept and first j sent bytes, the fewest runs
    // when sent byte j-1 was kept (keptLast) or removed (removedLast). Two rows suffice.
    constexpr std::size_t kNone = kNotByRemoval / 2;  // room for + 1 without overflow
    const std::size_t n = sent.size();
    std::vector<std::size_t> keptLast(n + 1, kNone), removedLast(n + 1, kNone);
    std::vector<std::size_t> keptNext(n + 1), removedNext(n + 1);
    keptLast[0] = 0;
    for (std::size_t j = 1; j <= n; ++j) {
        removedLast[j] = std::min(removedLast[j - 1], keptLast[j - 1] + 1);
    }
    for (std::size_t i = 1; i <= kept.size(); ++i) {
        keptNext[0] = kNone;
        removedNext[0] = kNone;
        for (std::size_t j = 1; j <= n; ++j) {
            keptNext[j] =
                kept[i - 1] == sent[j - 1] ? std::min(keptLast[j - 1], removedLast[j - 1]) : kNone;
            removedNext[j] = std::min(removedNext[j - 1], keptNext[j - 1] + 1);
        }
        std::swap(keptLast, keptNext);
        std::swap(removedLast, removedNext);
    }
    const std::size_t runs = std::min(keptLast[n], removedLast[n]);
    return runs >= kNone ? kNotByRemoval : runs;
}

}  // namespace fuzz
