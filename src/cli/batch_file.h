#pragma once
// The batch file: the header line homepage,table_info,lock, then one tag per line, as people save
// it from a spreadsheet or an editor.

#include <filesystem>
#include <string>
#include <vector>

#include "cli/tag_actions.h"
#include "platform/result.h"

namespace cli {

struct BatchRow {
    int line = 0;  // in the file, from 1: how the operator and the log name the row
    // What the row asks for, spelled as in the file (lock "0" or "1"): the log records it, so that
    // a resumed batch can tell that its file still holds the same rows.
    TagWrite asked;
    // The same as the wire takes it, already checked as a write would check it.
    TagWrite items;
};

// Every row, or every reason the file cannot be run ("tags.csv line 7: …"), at most a screenful.
// Empty lines and lines of spaces are passed over.
[[nodiscard]] platform::Result<std::vector<BatchRow>, std::vector<std::string>> ReadBatchFile(
    const std::filesystem::path& path);

}  // namespace cli
