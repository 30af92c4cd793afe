#pragma once
// The device's answer as it accumulates: one character per received byte, zero bytes included.
// Only the window's thread touches it; OnRxNotify appends, the tag operations empty and read it.

#include <cstddef>
#include <string>

extern std::string g_strReceived;

namespace tag {
// Far more than any answer holds (a READ's is at most 73 bytes): a text that grew past this took
// in a flood.
inline constexpr std::size_t kAnswerCapacityKept = 4096;
}  // namespace tag
