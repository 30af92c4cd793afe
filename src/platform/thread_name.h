#pragma once
// Names the calling thread for debuggers, `top -H` and /proc (at most 15 characters).

namespace platform {

inline constexpr char kWatchThreadName[] = "velmora-watch";

void NameThisThread(const char* name);

}  // namespace platform
