#pragma once
// Cuts the byte stream from the program into command frames: 0x01, payload, 0x04. The frame has
// no escaping, so a 0x01 inside a frame belongs to the payload; bytes between frames are noise.

#include <string>
#include <string_view>
#include <vector>

namespace sim {

inline constexpr char kFrameStart = 0x01;
inline constexpr char kFrameEnd = 0x04;

class FrameSplitter {
  public:
    // The frames that `bytes` completes, each with its 0x01 and 0x04. A frame may span any number
    // of calls.
    std::vector<std::string> Feed(std::string_view bytes);

  private:
    std::string m_partial;  // the frame begun so far; empty between frames
};

}  // namespace sim
