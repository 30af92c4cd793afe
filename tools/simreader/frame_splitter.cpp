#include "frame_splitter.h"

namespace sim {

std::vector<std::string> FrameSplitter::Feed(std::string_view bytes) {
    std::vector<std::string> frames;
    for (const char byte : bytes) {
        if (m_partial.empty()) {
            if (byte == kFrameStart) {
                m_partial.push_back(byte);
            }
            continue;
        }
        m_partial.push_back(byte);
        if (byte == kFrameEnd) {
            frames.push_back(std::move(m_partial));
            m_partial.clear();
        }
    }
    return frames;
}

}  // namespace sim
