#pragma once
// The batch file: the header line homepage,table_info,lock, then one tag per line.

#include <filesystem>
#include <string>
#include <variant>
#include <vector>

#include "cli/tag_actions.h"

namespace cli {

struct BatchRow {
    int line = 0;  // in the file, from 1: how the operator and the log name the row
    TagWrite items;
};

// Every row, each already checked as a write would check it, or the first reason ("line 7: …")
// the file cannot be run. Blank lines are skipped.
std::variant<std::vector<BatchRow>, std::string> ReadBatchFile(const std::filesystem::path& path);

}  // namespace cli
