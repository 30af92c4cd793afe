#pragma once
// UTF-8 as the device's texts may or may not be: where a well-formed sequence starts.

#include <cstddef>
#include <string_view>

namespace platform {

// The length of the well-formed UTF-8 sequence at the start of `bytes` (1 to 4); 0 when there is
// none there: a stray continuation byte, an overlong form, an encoded surrogate, a code point
// past U+10FFFF or a sequence cut off by the end. `bytes` must not be empty.
std::size_t Utf8SequenceLength(std::string_view bytes);

}  // namespace platform
