#pragma once
// The commands the tag device takes, as payloads of a frame, and the frame itself.
//
// Text here is the wire's: one byte per character, the limits counted in bytes. Control
// characters never go inside a payload, whatever the caller holds: 0x01 and 0x04 are the frame's
// own bytes, so a tag's text read back with one of them in it would otherwise end its frame early
// and send the rest as a command of its own.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tag {

// What the tag keeps of each item, in bytes.
inline constexpr std::size_t kHomepageLimit = 60;
inline constexpr std::size_t kTableInfoLimit = 12;

inline constexpr bool IsControlCharacter(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

std::string WithoutControlCharacters(std::string_view text);

// "R": read both items.
inline constexpr std::string_view kReadPayload = "R";
// "L" (locked) or "U" followed by the homepage, which the caller has already passed through
// HomepageForWire (the window keeps that result in its member, so it is not applied twice).
std::string HomepagePayload(std::string_view homepage, bool lock);
// "W" followed by the table info as held, spaces included.
std::string TableInfoPayload(std::string_view tableInfo);

// Writes bytes to the port and tells how many went out.
using ByteWriter = std::function<std::int32_t(const void* data, std::int32_t count)>;

// The bytes of a hex text in writes of at most 8; false as soon as one does not go out whole,
// and nothing is written after it.
[[nodiscard]] bool SendHexBytes(const ByteWriter& write, std::string_view text);
// 0x01, the payload in one write, 0x04. False when a write fell short: the frame did not reach
// the device whole, so there is no answer to wait for.
[[nodiscard]] bool SendFrame(const ByteWriter& write, std::string_view payload);

}  // namespace tag
