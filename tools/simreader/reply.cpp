#include "reply.h"

#include <algorithm>

namespace sim {

Reply Reply::Answer(std::string bytes) const {
    Reply changed = *this;
    changed.answer = std::move(bytes);
    return changed;
}

Reply Reply::After(std::chrono::milliseconds wait) const {
    Reply changed = *this;
    changed.delay = wait;
    return changed;
}

Reply Reply::InPieces(std::size_t size, std::chrono::milliseconds gap) const {
    Reply changed = *this;
    changed.pieceSize = size;
    changed.pieceGap = gap;
    return changed;
}

Reply Reply::WithGarbage(std::string bytes) const {
    Reply changed = *this;
    changed.garbage = std::move(bytes);
    return changed;
}

Reply Reply::HangingUpAfter(std::size_t bytes) const {
    Reply changed = *this;
    changed.hangUpAfter = bytes;
    return changed;
}

Reply Reply::Storing(std::string text) const {
    Reply changed = *this;
    changed.stores = std::move(text);
    return changed;
}

std::string FloodBytes(std::size_t n) {
    std::string bytes(n, '\0');
    for (std::size_t i = 0; i < n; ++i) {
        bytes[i] = static_cast<char>(FloodByte(i));
    }
    return bytes;
}

std::string_view Piece::At(std::size_t at, std::size_t most) const {
    if (at < bytes.size()) {
        return std::string_view(bytes).substr(at, most);
    }
    // The flood's bytes repeat every 251, so one period more than a write takes covers any start.
    constexpr std::size_t kWrite = 64u << 10;
    static const std::string pattern = FloodBytes(kWrite + 251);
    const std::size_t into = at - bytes.size();
    return std::string_view(pattern).substr(into % 251, std::min({most, kWrite, flood - into}));
}

std::vector<Piece> PlanPieces(const Reply& reply, std::string deviceAnswer,
                              std::chrono::steady_clock::time_point frameEnd) {
    std::string stream = reply.garbage + (reply.answer ? *reply.answer : std::move(deviceAnswer));
    if (reply.hangUpAfter && *reply.hangUpAfter < stream.size()) {
        stream.resize(*reply.hangUpAfter);
    }
    const auto start = frameEnd + reply.delay;
    std::vector<Piece> pieces;
    const std::size_t size = reply.pieceSize == 0 ? stream.size() : reply.pieceSize;
    for (std::size_t at = 0; at < stream.size(); at += size) {
        const auto gaps = static_cast<std::chrono::milliseconds::rep>(pieces.size());
        pieces.push_back({start + gaps * reply.pieceGap, stream.substr(at, size), false});
    }
    if (reply.hangUpAfter) {
        if (pieces.empty()) {
            pieces.push_back({start, std::string(), false});
        }
        pieces.back().hangUpAfter = true;
    }
    return pieces;
}

}  // namespace sim
