#pragma once
// How the simulated reader answers one frame. The default-constructed reply is what the device
// itself would do: its own answer, at once, in one piece.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

struct Reply {
    // The bytes to answer with (NUL bytes allowed; empty means silence); nothing: the device's
    // own answer. The command takes effect on the tag either way.
    std::optional<std::string> answer;
    // What a write command puts on the tag instead of its argument, as a worn or faulty tag
    // would; the answer stays the device's own unless `answer` says otherwise.
    std::optional<std::string> stores;
    // From the arrival of the frame's 0x04 to the first byte on the wire.
    std::chrono::milliseconds delay{0};
    // Bytes per write; 0 sends everything in one write.
    std::size_t pieceSize = 0;
    // Between the starts of two pieces.
    std::chrono::milliseconds pieceGap{0};
    // Written ahead of the answer, as part of the same stream.
    std::string garbage;
    // Hang up after this many bytes of garbage and answer have gone out (and have been read, or
    // half a second has passed).
    std::optional<std::size_t> hangUpAfter;

    // Chainable copies with one aspect changed: Reply().Answer("x").After(1010ms).
    Reply Answer(std::string bytes) const;
    Reply After(std::chrono::milliseconds wait) const;
    Reply InPieces(std::size_t size, std::chrono::milliseconds gap) const;
    Reply WithGarbage(std::string bytes) const;
    Reply HangingUpAfter(std::size_t bytes) const;
    Reply Storing(std::string text) const;
};

inline Reply Silence() {
    return Reply().Answer({});
}

// Byte i of a flood. The period of 251 is prime, so a lost or repeated block of any power-of-two
// size shows as a wrong byte.
inline std::uint8_t FloodByte(std::size_t index) {
    return static_cast<std::uint8_t>(index % 251);
}

// n bytes of FloodByte(0), FloodByte(1), ...
std::string FloodBytes(std::size_t n);

// One write of a reply, due at a fixed moment.
struct Piece {
    std::chrono::steady_clock::time_point due;
    std::string bytes;
    bool hangUpAfter = false;
    // After `bytes`, this many bytes of FloodBytes, made while they go out rather than held.
    std::size_t flood = 0;

    std::size_t Size() const { return bytes.size() + flood; }
    // Up to `most` of the bytes from `at` on, without a copy.
    std::string_view At(std::size_t at, std::size_t most) const;
};

// The writes that carry out `reply` to a frame whose 0x04 arrived at `frameEnd`;
// `deviceAnswer` is what the device itself would answer. Nothing at all for a silent reply.
std::vector<Piece> PlanPieces(const Reply& reply, std::string deviceAnswer,
                              std::chrono::steady_clock::time_point frameEnd);

}  // namespace sim
