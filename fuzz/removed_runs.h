#pragma once
// How what arrived relates to what was sent when the receive path may drop whole reads.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>

namespace fuzz {

inline constexpr std::size_t kNotByRemoval = std::numeric_limits<std::size_t>::max();

// The fewest runs of consecutive bytes that, taken out of `sent`, leave exactly `kept`;
// kNotByRemoval when no removal does (a byte changed, added or out of order).
std::size_t MinRemovedRuns(std::span<const std::uint8_t> sent, std::span<const std::uint8_t> kept);

}  // namespace fuzz
