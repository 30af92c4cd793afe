#pragma once
// Small text files that the program writes and never reads back.

#include <string>
#include <string_view>

namespace platform {

// Replaces the file with the text, whole or not at all, with each "\n" stored as the platform's
// line end. Never writes through a symbolic link or into anything else planted at that name (a
// planted link could otherwise make the program overwrite a file of the operator's). False, with
// the old file as it was, when that cannot be done.
[[nodiscard]] bool WriteTextFile(const std::string& path, std::string_view text);

}  // namespace platform
