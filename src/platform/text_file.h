#pragma once
// Small text files that the program writes and never reads back.

#include <string>
#include <string_view>

namespace platform {

// Creates or empties the file and writes the text, with each "\n" stored as the platform's line
// end. Never follows a symbolic link at that name, and never writes into anything but a regular
// file (a planted link could otherwise make the program overwrite a file of the operator's).
// False, with nothing written, when that cannot be done.
bool WriteTextFile(const std::string& path, std::string_view text);

}  // namespace platform
