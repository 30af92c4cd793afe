#include "platform/input_lines.h"

namespace platform {

bool InputLines::Take(std::string& line, bool inputEnded) {
    const std::size_t end = m_pending.find('\n');
    if (end != std::string::npos) {
        line = m_pending.substr(0, end > 0 && m_pending[end - 1] == '\r' ? end - 1 : end);
        m_pending.erase(0, end + 1);
        return true;
    }
    if (!inputEnded || m_pending.empty()) {
        return false;
    }
    line = std::move(m_pending);
    m_pending.clear();
    return true;
}

}  // namespace platform
