#pragma once
// One exchange with the tag device, as every tag operation runs it, free of any window: the frame,
// then one second for the answer to arrive. What the caller's wait does meanwhile (dispatch the
// window's events, or block until the watch thread posts) is the caller's business.

#include <cstdint>
#include <functional>
#include <string_view>

#include "tag/commands.h"

namespace tag {

// The device answers within this time; whatever arrives later is not part of the answer.
inline constexpr std::uint32_t kAnswerWaitMs = 1000;

// How long the line must have been quiet before a frame goes out, counted from when the frame is
// ready: bytes in that time are a late answer to the frame before, which must not be taken for
// this frame's. A device answering more than this past its second cannot be told apart, as
// answers carry nothing that says which frame they answer.
inline constexpr std::uint32_t kQuietGapMs = 100;

// The closing silence after which an answer that can be whole is taken as whole, when an exchange
// may end before its second. USB-serial adapters hand bytes on in 16 ms slices, so an answer can
// pause that long in its middle; this is three of them.
inline constexpr std::uint32_t kQuickGapMs = 50;

// How long a poll for a tag waits for the first byte before it takes silence for "no tag": a
// reader that answers at once needs about a tenth of a second, and a tag that is there answers the
// next poll.
inline constexpr std::uint32_t kPollWaitMs = 250;

using AnswerWait = std::function<void(std::uint32_t ms)>;
// Sends one frame (SendFrame, through the caller's port) and tells whether it went out whole.
using FrameSender = std::function<bool(std::string_view payload)>;

// Sends the frame and waits for its answer. False when the frame did not go out whole: a frame cut
// short gets no answer, so there is no second to wait. A closed port sends nothing, and the wait
// still keeps its full second.
[[nodiscard]] bool Exchange(const FrameSender& send, std::string_view payload, bool portOpen,
                            const AnswerWait& wait);

}  // namespace tag
